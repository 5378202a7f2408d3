#include "Page/PageRequests.hpp"

#include "Json.hpp"
#include "Run/StepFailure.hpp"

#include <PK/JSArray.hpp>
#include <PK/JSObject.hpp>
#include <PK/JSValue.hpp>

#include <fmt/format.h>

#include <array>

namespace VantrelSim::Tool {

namespace {

constexpr std::array<const char*, 7> PropertyNames = {
    "ArdoTesselProjectId", "ArdoTesselSpecificationId", "ArdoTesselClauseId", "ArdoTesselCode",
    "ArdoTesselTitle",     "ArdoTesselPrefix",          "ArdoTesselSuffix"};

PK::JSBaseRef ToValue(const Json::Value& value) {
    if (value.IsString()) {
        return PK::MakeStringValue(QB::UniString(std::string(value.GetString(), value.GetStringLength())));
    }
    if (value.IsBool()) {
        return std::make_shared<PK::JSValue>(value.GetBool());
    }
    if (value.IsInt()) {
        return std::make_shared<PK::JSValue>(QB::Int32{value.GetInt()});
    }
    if (value.IsNumber()) {
        return std::make_shared<PK::JSValue>(value.GetDouble());
    }
    if (value.IsArray()) {
        auto array = std::make_shared<PK::JSArray>();
        for (const auto& item : value.GetArray()) {
            array->AddItem(ToValue(item));
        }
        return array;
    }
    if (value.IsObject()) {
        auto object = std::make_shared<PK::JSObject>();
        for (const auto& member : value.GetObject()) {
            object->AddItem(
                QB::UniString(std::string(member.name.GetString(), member.name.GetStringLength())),
                ToValue(member.value));
        }
        return object;
    }
    return PK::MakeDefaultValue();
}

} // namespace

std::string JsString(const std::string& text) {
    Json::StringBuffer buffer;
    Json::Writer<Json::StringBuffer> writer(buffer);
    writer.String(text.c_str(), static_cast<Json::SizeType>(text.size()));
    // JSON strings are JavaScript strings, except for these two line terminators.
    std::string literal = buffer.GetString();
    for (const std::string_view terminator : {std::string_view("\u2028"), std::string_view("\u2029")}) {
        std::size_t at = 0;
        while ((at = literal.find(terminator, at)) != std::string::npos) {
            literal.replace(at, terminator.size(), terminator == "\u2028" ? "\\u2028" : "\\u2029");
        }
    }
    return literal;
}

std::string PropertyNamesJson() {
    Json::StringBuffer buffer;
    Json::Writer<Json::StringBuffer> writer(buffer);
    writer.StartArray();
    for (const char* name : PropertyNames) {
        writer.String(name);
    }
    writer.EndArray();
    return buffer.GetString();
}

std::string ClausePropertiesJson(const WebAppSpecification& specification, const WebAppClause& clause) {
    const std::array<const std::string*, 7> values = {
        &specification.projectId, &specification.id, &clause.id, &clause.code, &clause.title,
        &clause.prefix,           &clause.suffix};
    Json::StringBuffer buffer;
    Json::Writer<Json::StringBuffer> writer(buffer);
    writer.StartObject();
    for (std::size_t i = 0; i < PropertyNames.size(); ++i) {
        writer.Key(PropertyNames[i]);
        writer.String(values[i]->c_str(), static_cast<Json::SizeType>(values[i]->size()));
    }
    writer.EndObject();
    return buffer.GetString();
}

const WebAppSpecification& RequireSpecification(const WebAppData& data, const std::string& id) {
    if (const WebAppSpecification* specification = data.FindSpecification(id)) {
        return *specification;
    }
    std::string known;
    for (const WebAppSpecification& specification : data.Specifications()) {
        known += (known.empty() ? "" : ", ") + specification.id;
    }
    throw StepFailure(fmt::format("the web application has no specification \"{}\" (it has {})", id, known));
}

const WebAppClause& RequireClause(const WebAppSpecification& specification, const std::string& id) {
    if (const WebAppClause* clause = specification.FindClause(id)) {
        return *clause;
    }
    throw StepFailure(fmt::format("the specification {} has no clause \"{}\"", specification.id, id));
}

WebAppClause Edited(WebAppClause clause, const std::optional<std::string>& title,
                    const std::optional<std::string>& prefix, const std::optional<std::string>& suffix) {
    clause.title = title.value_or(clause.title);
    clause.prefix = prefix.value_or(clause.prefix);
    clause.suffix = suffix.value_or(clause.suffix);
    return clause;
}

PK::JSBaseRef CallArgument(std::vector<PK::JSBaseRef> arguments) {
    if (arguments.empty()) {
        return PK::MakeDefaultValue();
    }
    if (arguments.size() == 1) {
        return arguments.front();
    }
    return std::make_shared<PK::JSArray>(QB::Array<PK::JSBaseRef>(std::move(arguments)));
}

PK::JSBaseRef CallArgument(const std::vector<std::string>& strings) {
    std::vector<PK::JSBaseRef> arguments;
    for (const std::string& text : strings) {
        arguments.push_back(PK::MakeStringValue(QB::UniString(text)));
    }
    return CallArgument(std::move(arguments));
}

std::vector<PK::JSBaseRef> ArgumentsFromJson(const std::string& json) {
    Json::Document document;
    document.Parse(json.c_str());
    if (document.HasParseError() || !document.IsArray()) {
        throw StepFailure("the call's arguments are not a JSON list");
    }
    std::vector<PK::JSBaseRef> arguments;
    for (const auto& item : document.GetArray()) {
        arguments.push_back(ToValue(item));
    }
    return arguments;
}

} // namespace VantrelSim::Tool
