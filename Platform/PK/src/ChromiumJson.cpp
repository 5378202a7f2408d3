#include "ChromiumJson.hpp"

#include <PK/JSArray.hpp>
#include <PK/JSFunction.hpp>
#include <PK/JSObject.hpp>
#include <PK/JSValue.hpp>

#include <openssl/evp.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cmath>
#include <limits>

namespace PK::Chromium {

namespace {

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

rapidjson::Value Text(std::string_view text, rapidjson::Document::AllocatorType& allocator) {
    return rapidjson::Value(text.data(), static_cast<rapidjson::SizeType>(text.size()), allocator);
}

void WriteString(Writer& writer, const QB::UniString& text) {
    const std::string& utf8 = text.ToUtf8();
    writer.String(utf8.data(), static_cast<rapidjson::SizeType>(utf8.size()));
}

void WriteValue(Writer& writer, const JSBase* value, int depth) {
    // Values come from native code and cannot be cyclic, but a depth bound keeps a corrupted
    // tree from exhausting the stack.
    constexpr int MaxDepth = 256;
    if (value == nullptr || depth > MaxDepth) {
        writer.Null();
        return;
    }
    if (const auto* scalar = dynamic_cast<const JSValue*>(value)) {
        switch (scalar->GetType()) {
        case JSValue::DEFAULT:
            writer.Null();
            return;
        case JSValue::BOOL:
            writer.Bool(scalar->GetBool());
            return;
        case JSValue::INTEGER:
            writer.Int(scalar->GetInteger());
            return;
        case JSValue::UINTEGER:
            writer.Uint(scalar->GetUInteger());
            return;
        case JSValue::DOUBLE:
            if (std::isfinite(scalar->GetDouble())) {
                writer.Double(scalar->GetDouble());
            } else {
                writer.Null();
            }
            return;
        case JSValue::STRING:
            WriteString(writer, scalar->GetString());
            return;
        }
        writer.Null();
        return;
    }
    if (const auto* array = dynamic_cast<const JSArray*>(value)) {
        writer.StartArray();
        for (const JSBaseRef& item : array->GetItemArray()) {
            WriteValue(writer, item.get(), depth + 1);
        }
        writer.EndArray();
        return;
    }
    if (const auto* object = dynamic_cast<const JSObject*>(value)) {
        writer.StartObject();
        for (const auto& [name, item] : object->GetItemTable()) {
            if (dynamic_cast<const JSFunction*>(item.get()) != nullptr) {
                continue; // a native function has no data form
            }
            WriteString(writer, name);
            WriteValue(writer, item.get(), depth + 1);
        }
        writer.EndObject();
        return;
    }
    writer.Null();
}

JSBaseRef NumberValue(const rapidjson::Value& value) {
    if (value.IsInt()) {
        return std::make_shared<JSValue>(static_cast<QB::Int32>(value.GetInt()));
    }
    if (value.IsUint()) {
        return std::make_shared<JSValue>(static_cast<QB::UInt32>(value.GetUint()));
    }
    return std::make_shared<JSValue>(value.GetDouble());
}

JSBaseRef ToJSValueAt(const rapidjson::Value& value, int depth) {
    constexpr int MaxDepth = 256;
    if (depth > MaxDepth) {
        return MakeDefaultValue();
    }
    switch (value.GetType()) {
    case rapidjson::kNullType:
        return MakeDefaultValue();
    case rapidjson::kFalseType:
    case rapidjson::kTrueType:
        return std::make_shared<JSValue>(value.GetBool());
    case rapidjson::kNumberType:
        return NumberValue(value);
    case rapidjson::kStringType:
        return MakeStringValue(QB::UniString(std::string(value.GetString(), value.GetStringLength())));
    case rapidjson::kArrayType: {
        auto array = std::make_shared<JSArray>();
        for (const rapidjson::Value& item : value.GetArray()) {
            array->AddItem(ToJSValueAt(item, depth + 1));
        }
        return array;
    }
    case rapidjson::kObjectType: {
        auto object = std::make_shared<JSObject>();
        for (const auto& member : value.GetObject()) {
            object->AddItem(
                QB::UniString(std::string(member.name.GetString(), member.name.GetStringLength())),
                ToJSValueAt(member.value, depth + 1));
        }
        return object;
    }
    }
    return MakeDefaultValue();
}

} // namespace

CommandParams::CommandParams() {
    _document.SetObject();
}

CommandParams& CommandParams::Add(std::string_view name, std::string_view value) {
    _document.AddMember(Text(name, Allocator()), Text(value, Allocator()), Allocator());
    return *this;
}

CommandParams& CommandParams::Add(std::string_view name, bool value) {
    _document.AddMember(Text(name, Allocator()), rapidjson::Value(value), Allocator());
    return *this;
}

CommandParams& CommandParams::Add(std::string_view name, std::int64_t value) {
    _document.AddMember(Text(name, Allocator()), rapidjson::Value(value), Allocator());
    return *this;
}

CommandParams& CommandParams::Add(std::string_view name, double value) {
    _document.AddMember(Text(name, Allocator()), rapidjson::Value(value), Allocator());
    return *this;
}

CommandParams& CommandParams::Add(std::string_view name, const rapidjson::Value& value) {
    _document.AddMember(Text(name, Allocator()), rapidjson::Value(value, Allocator()), Allocator());
    return *this;
}

std::string ComposeCommand(std::uint64_t id, std::string_view method, std::string_view sessionId,
                           const CommandParams& params) {
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("id");
    writer.Uint64(id);
    writer.Key("method");
    writer.String(method.data(), static_cast<rapidjson::SizeType>(method.size()));
    if (!sessionId.empty()) {
        writer.Key("sessionId");
        writer.String(sessionId.data(), static_cast<rapidjson::SizeType>(sessionId.size()));
    }
    writer.Key("params");
    params.Get().Accept(writer);
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string StringMember(const rapidjson::Value& object, const char* name, std::string_view fallback) {
    if (object.IsObject()) {
        const auto member = object.FindMember(name);
        if (member != object.MemberEnd() && member->value.IsString()) {
            return std::string(member->value.GetString(), member->value.GetStringLength());
        }
    }
    return std::string(fallback);
}

std::optional<double> NumberMember(const rapidjson::Value& object, const char* name) {
    if (object.IsObject()) {
        const auto member = object.FindMember(name);
        if (member != object.MemberEnd() && member->value.IsNumber()) {
            return member->value.GetDouble();
        }
    }
    return std::nullopt;
}

bool BoolMember(const rapidjson::Value& object, const char* name, bool fallback) {
    if (object.IsObject()) {
        const auto member = object.FindMember(name);
        if (member != object.MemberEnd() && member->value.IsBool()) {
            return member->value.GetBool();
        }
    }
    return fallback;
}

const rapidjson::Value* ObjectMember(const rapidjson::Value& object, const char* name) {
    if (object.IsObject()) {
        const auto member = object.FindMember(name);
        if (member != object.MemberEnd() && member->value.IsObject()) {
            return &member->value;
        }
    }
    return nullptr;
}

const rapidjson::Value* ArrayMember(const rapidjson::Value& object, const char* name) {
    if (object.IsObject()) {
        const auto member = object.FindMember(name);
        if (member != object.MemberEnd() && member->value.IsArray()) {
            return &member->value;
        }
    }
    return nullptr;
}

JSBaseRef ToJSValue(const rapidjson::Value& value) {
    return ToJSValueAt(value, 0);
}

std::string ToJsonText(const JSBaseRef& value) {
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    WriteValue(writer, value.get(), 0);
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string QuoteJson(std::string_view text) {
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string EncodeBase64(std::string_view bytes) {
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max() / 4 * 3 - 3)) {
        return {};
    }
    std::string encoded(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    encoded.resize(length > 0 ? static_cast<std::size_t>(length) : 0U);
    return encoded;
}

std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0 || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(text.size() / 4 * 3);
    const int length = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                       static_cast<int>(text.size()));
    if (length < 0) {
        return std::nullopt;
    }
    // EVP_DecodeBlock counts the padding as zero bytes.
    std::size_t padding = 0;
    for (auto it = text.rbegin(); it != text.rend() && *it == '=' && padding < 2; ++it) {
        ++padding;
    }
    bytes.resize(static_cast<std::size_t>(length) - padding);
    return bytes;
}

} // namespace PK::Chromium
