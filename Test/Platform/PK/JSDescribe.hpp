#pragma once

// A compact text of a value tree, for assertions on what crossed between page and native code:
// 1, 2u (unsigned), 2.5d (double), "a", [..], {"k":..}, null. Texts are not escaped.

#include <PK/JSArray.hpp>
#include <PK/JSObject.hpp>
#include <PK/JSValue.hpp>

#include <sstream>
#include <string>

namespace PKTest {

inline void DescribeInto(std::ostringstream& out, const PK::JSBaseRef& value) {
    if (const auto scalar = std::dynamic_pointer_cast<PK::JSValue>(value)) {
        switch (scalar->GetType()) {
        case PK::JSValue::DEFAULT:
            out << "null";
            return;
        case PK::JSValue::BOOL:
            out << (scalar->GetBool() ? "true" : "false");
            return;
        case PK::JSValue::INTEGER:
            out << scalar->GetInteger();
            return;
        case PK::JSValue::UINTEGER:
            out << scalar->GetUInteger() << "u";
            return;
        case PK::JSValue::DOUBLE:
            out << scalar->GetDouble() << "d";
            return;
        case PK::JSValue::STRING:
            out << '"' << scalar->GetString().ToUtf8() << '"';
            return;
        }
    }
    if (const auto array = std::dynamic_pointer_cast<PK::JSArray>(value)) {
        out << '[';
        for (QB::USize i = 0; i < array->GetItemArray().GetSize(); ++i) {
            out << (i > 0 ? "," : "");
            DescribeInto(out, array->GetItemArray()[i]);
        }
        out << ']';
        return;
    }
    if (const auto object = std::dynamic_pointer_cast<PK::JSObject>(value)) {
        out << '{';
        bool first = true;
        for (const auto& [name, item] : object->GetItemTable()) {
            out << (first ? "" : ",") << '"' << name.ToUtf8() << "\":";
            DescribeInto(out, item);
            first = false;
        }
        out << '}';
        return;
    }
    out << (value == nullptr ? "<none>" : "<other>");
}

inline std::string Describe(const PK::JSBaseRef& value) {
    std::ostringstream out;
    DescribeInto(out, value);
    return out.str();
}

} // namespace PKTest
