#pragma once

// A named native function that a page can call. The handler receives the call's arguments
// as one value (DEFAULT for none, the value itself for one, a JSArray for several) and
// answers with one value; a null answer reaches the page as null.
//
// The handler runs on the main thread. What it throws propagates out of Call; the browser
// catches it at its boundary and rejects the page's call.

#include <PK/JSBase.hpp>

#include <QB/UniString.hpp>

#include <functional>

namespace PK {

class JSFunction : public JSBase {
public:
    using Handler = std::function<JSBaseRef(JSBaseRef)>;

    JSFunction(const QB::UniString& name, Handler handler);

    const QB::UniString& GetName() const noexcept { return _name; }
    JSBaseRef Call(JSBaseRef argument) const;

private:
    QB::UniString _name;
    Handler _handler;
};

} // namespace PK
