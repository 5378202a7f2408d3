#pragma once

// RapidJSON for the simulator's own files, in a namespace of its own: the add-on links the
// same headers with different error hooks, and the two sets of inline code must never merge.
// A misuse of a value (the wrong type) throws instead of aborting; callers check types first.

#include <stdexcept>
#include <string>

#define RAPIDJSON_NAMESPACE vantrelsim_rapidjson
#define RAPIDJSON_NAMESPACE_BEGIN namespace vantrelsim_rapidjson {
#define RAPIDJSON_NAMESPACE_END }
#ifndef RAPIDJSON_HAS_STDSTRING
#define RAPIDJSON_HAS_STDSTRING 1
#endif
#define RAPIDJSON_ASSERT(x) ((x) ? static_cast<void>(0) : throw std::logic_error("JSON value misuse: " #x))

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

namespace VantrelSim {
namespace Json = ::vantrelsim_rapidjson;

// A value as one line of JSON: for messages and comparisons, where indentation is only noise.
inline std::string CompactText(const Json::Value& value) {
    Json::StringBuffer buffer;
    Json::Writer<Json::StringBuffer> writer(buffer);
    value.Accept(writer);
    return {buffer.GetString(), buffer.GetSize()};
}
} // namespace VantrelSim
