#pragma once

// An ordered list of JavaScript values. Items are shared, never null: a null item is stored
// as a DEFAULT value so that readers need no null checks.

#include <PK/JSBase.hpp>

#include <QB/Array.hpp>

namespace PK {

class JSArray : public JSBase {
public:
    JSArray() = default;
    explicit JSArray(QB::Array<JSBaseRef> items);

    void AddItem(JSBaseRef item);
    const QB::Array<JSBaseRef>& GetItemArray() const noexcept { return _items; }

private:
    QB::Array<JSBaseRef> _items;
};

} // namespace PK
