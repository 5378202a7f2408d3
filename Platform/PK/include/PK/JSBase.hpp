#pragma once

// JavaScript values as the browser control hands them between a page and native code.
//
// A value crosses the boundary as a `JSBaseRef` (shared ownership): the page's arguments
// arrive as one JSBase and a native function answers with one. The concrete kinds are
// JSValue (scalars), JSArray (ordered items), JSObject (named items) and JSFunction (a
// named native function); callers tell them apart with dynamic_pointer_cast.
//
// Values are plain data: not thread-safe per object, main thread by convention.

#include <memory>

namespace PK {

class JSBase {
public:
    virtual ~JSBase();

protected:
    JSBase() = default;
    JSBase(const JSBase&) = default;
    JSBase& operator=(const JSBase&) = default;
};

using JSBaseRef = std::shared_ptr<JSBase>;

// Deep structural equality of two value trees (functions compare by name); null equals null only.
bool AreEqual(const JSBaseRef& a, const JSBaseRef& b);

} // namespace PK
