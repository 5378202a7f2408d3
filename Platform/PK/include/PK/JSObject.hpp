#pragma once

// A named JavaScript object: an ordered set of named items. Registered with a browser it
// becomes `window.<name>` in the page, its JSFunction items callable there; as a value it
// carries a page object's members.
//
// Item names are unique: adding an item under an existing name replaces it in place.
// Lookups by name are O(1).

#include <PK/JSBase.hpp>
#include <PK/JSFunction.hpp>

#include <QB/UniString.hpp>

#include <unordered_map>
#include <utility>
#include <vector>

namespace PK {

class JSObject : public JSBase {
public:
    using Item = std::pair<QB::UniString, JSBaseRef>;

    JSObject() = default;
    explicit JSObject(const QB::UniString& name) : _name(name) {}

    const QB::UniString& GetName() const noexcept { return _name; }

    // A function item, named after the function.
    void AddItem(std::shared_ptr<JSFunction> function);
    // A value item; null is stored as a DEFAULT value.
    void AddItem(const QB::UniString& name, JSBaseRef value);

    const std::vector<Item>& GetItemTable() const noexcept { return _items; }
    // The item of that name, or null.
    JSBaseRef FindItem(const QB::UniString& name) const;
    // The function item of that name, or null (also when the item is not a function).
    std::shared_ptr<JSFunction> FindFunction(const QB::UniString& name) const;

private:
    QB::UniString _name;
    std::vector<Item> _items;
    std::unordered_map<QB::UniString, std::size_t> _indexByName;
};

} // namespace PK
