#include "Tessel/Implementation/JsLogText.hpp"

#include <PK/JSArray.hpp>
#include <PK/JSFunction.hpp>
#include <PK/JSObject.hpp>
#include <PK/JSValue.hpp>

#include <sstream>

namespace TesselConnect::Implementation {

namespace {

constexpr int MaxDepth = 64;

void PrintScalar(std::ostream& out, const PK::JSValue& value) {
    switch (value.GetType()) {
    case PK::JSValue::DEFAULT:
        out << "DEFAULT (null)";
        return;
    case PK::JSValue::BOOL:
        out << value.GetBool();
        return;
    case PK::JSValue::INTEGER:
        out << value.GetInteger();
        return;
    case PK::JSValue::UINTEGER:
        out << value.GetUInteger();
        return;
    case PK::JSValue::DOUBLE:
        out << value.GetDouble();
        return;
    case PK::JSValue::STRING:
        out << value.GetString().ToUtf8();
        return;
    }
    out << "unknown type: " << static_cast<int>(value.GetType());
}

void Print(std::ostream& out, const PK::JSBase* value, int depth) {
    if (depth > MaxDepth) {
        out << "...";
        return;
    }
    if (const auto* scalar = dynamic_cast<const PK::JSValue*>(value)) {
        PrintScalar(out, *scalar);
    } else if (const auto* array = dynamic_cast<const PK::JSArray*>(value)) {
        out << '[';
        const char* separator = "";
        for (const PK::JSBaseRef& item : array->GetItemArray()) {
            out << separator;
            Print(out, item.get(), depth + 1);
            separator = ", ";
        }
        out << ']';
    } else if (const auto* object = dynamic_cast<const PK::JSObject*>(value)) {
        out << '{';
        const char* separator = "";
        for (const auto& [name, item] : object->GetItemTable()) {
            out << separator << name.ToUtf8() << ": ";
            Print(out, item.get(), depth + 1);
            separator = ", ";
        }
        out << '}';
    } else if (const auto* function = dynamic_cast<const PK::JSFunction*>(value)) {
        out << function->GetName().ToUtf8();
    } else {
        out << "unknown subtype of JSBase";
    }
}

} // namespace

std::string ToLogText(const PK::JSBaseRef& value) {
    std::ostringstream out;
    Print(out, value.get(), 0);
    return out.str();
}

} // namespace TesselConnect::Implementation
