#pragma once

// A scalar JavaScript value: nothing (DEFAULT, shown to the page as null), a bool, a signed
// or unsigned 32-bit integer, a double or a string.
//
// Accessors never throw: numeric accessors convert between the numeric kinds (a double is
// truncated toward zero and clamped to the target range, NaN gives 0); asking a non-string
// for its string, or a non-number for a number, gives the empty/zero value.

#include <PK/JSBase.hpp>

#include <QB/Types.hpp>
#include <QB/UniString.hpp>

namespace PK {

class JSValue : public JSBase {
public:
    enum Type { DEFAULT, BOOL, INTEGER, UINTEGER, DOUBLE, STRING };

    JSValue() = default;
    explicit JSValue(bool value) : _type(BOOL), _bool(value) {}
    explicit JSValue(QB::Int32 value) : _type(INTEGER), _int(value) {}
    explicit JSValue(QB::UInt32 value) : _type(UINTEGER), _uint(value) {}
    explicit JSValue(double value) : _type(DOUBLE), _double(value) {}
    explicit JSValue(const QB::UniString& value) : _type(STRING), _string(value) {}
    // Without this a literal would pick the bool constructor.
    explicit JSValue(const char* utf8) : _type(STRING), _string(utf8) {}

    Type GetType() const noexcept { return _type; }
    bool IsNumber() const noexcept { return _type == INTEGER || _type == UINTEGER || _type == DOUBLE; }

    bool GetBool() const noexcept;
    QB::Int32 GetInteger() const noexcept;
    QB::UInt32 GetUInteger() const noexcept;
    double GetDouble() const noexcept;
    const QB::UniString& GetString() const noexcept;

    friend bool operator==(const JSValue& a, const JSValue& b) noexcept;

private:
    Type _type = DEFAULT;
    bool _bool = false;
    QB::Int32 _int = 0;
    QB::UInt32 _uint = 0;
    double _double = 0.0;
    QB::UniString _string;
};

inline JSBaseRef MakeDefaultValue() {
    return std::make_shared<JSValue>();
}
inline JSBaseRef MakeStringValue(const QB::UniString& text) {
    return std::make_shared<JSValue>(text);
}

} // namespace PK
