#pragma once

// JSON for the DevTools protocol: command parameters, typed reads of replies and events, the
// conversion of page values to and from PK JavaScript values, and base64 for bodies and
// screenshots. RapidJSON does the parsing and writing.

#include <PK/JSBase.hpp>

#include <rapidjson/document.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace PK::Chromium {

// The "params" object of one command.
class CommandParams {
public:
    CommandParams();

    CommandParams& Add(std::string_view name, std::string_view value);
    CommandParams& Add(std::string_view name, const char* value) {
        return Add(name, std::string_view(value));
    }
    CommandParams& Add(std::string_view name, bool value);
    CommandParams& Add(std::string_view name, std::int64_t value);
    CommandParams& Add(std::string_view name, int value) {
        return Add(name, static_cast<std::int64_t>(value));
    }
    CommandParams& Add(std::string_view name, double value);
    // A copy of any JSON value (an array or object built with Allocator()).
    CommandParams& Add(std::string_view name, const rapidjson::Value& value);

    rapidjson::Document::AllocatorType& Allocator() { return _document.GetAllocator(); }
    const rapidjson::Document& Get() const noexcept { return _document; }

private:
    rapidjson::Document _document;
};

// One protocol message as text: {"id":..,"method":..,"sessionId":..,"params":..}.
std::string ComposeCommand(std::uint64_t id, std::string_view method, std::string_view sessionId,
                           const CommandParams& params);

// Typed member reads; a missing member or one of another type gives the fallback.
std::string StringMember(const rapidjson::Value& object, const char* name, std::string_view fallback = {});
std::optional<double> NumberMember(const rapidjson::Value& object, const char* name);
bool BoolMember(const rapidjson::Value& object, const char* name, bool fallback = false);
// The member when it is an object, else null.
const rapidjson::Value* ObjectMember(const rapidjson::Value& object, const char* name);
const rapidjson::Value* ArrayMember(const rapidjson::Value& object, const char* name);

// JSON value -> PK value: null DEFAULT, numbers INTEGER / UINTEGER when they fit, else DOUBLE.
JSBaseRef ToJSValue(const rapidjson::Value& value);
// PK value -> JSON text; DEFAULT, functions and non-finite numbers become null.
std::string ToJsonText(const JSBaseRef& value);
// A JSON string literal of the text (valid as JavaScript too).
std::string QuoteJson(std::string_view text);

std::string EncodeBase64(std::string_view bytes);
// Nullopt when the text is not valid base64.
std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text);

} // namespace PK::Chromium
