#pragma once

// RapidJSON as the add-on uses it: parse errors and the library's own assertions become
// exceptions instead of silent error states or aborts.
//
// - A parse error logs the warning "rapidjson parse error: <code>:<offset>" and throws
//   Json::ParseException, whose message is the name of RapidJSON's error code
//   ("kParseErrorValueInvalid"). Document::Parse never returns with an error set.
// - A failed RapidJSON assertion (a value used as the wrong type, a missing member) logs a
//   critical "failed assertion: <expression>" and throws AddonRuntimeError, so text from the
//   page cannot crash the host.
//
// These hooks must be seen before RapidJSON's headers; include "Util/Json/RapidJson.hpp"
// instead of any <rapidjson/...> header. Mixing both orders in one program would give the
// library's inline code two meanings, so this header refuses to come second.

#if defined(RAPIDJSON_RAPIDJSON_H_) && !defined(ATC_RAPIDJSON_HOOKS)
#error "Include Util/Json/RapidJson.hpp before any RapidJSON header"
#endif

#ifndef ATC_RAPIDJSON_HOOKS
#define ATC_RAPIDJSON_HOOKS

#include <cstddef>
#include <stdexcept>

#ifndef RAPIDJSON_HAS_STDSTRING
#define RAPIDJSON_HAS_STDSTRING 1
#endif

#define RAPIDJSON_ASSERT(x)                                                                                  \
    ((x) ? static_cast<void>(0) : ::TesselConnect::Json::Detail::RaiseAssertion(#x, __FILE__, __LINE__))

#define RAPIDJSON_PARSE_ERROR_NORETURN(parseErrorCode, offset)                                               \
    ::TesselConnect::Json::Detail::RaiseParseError(parseErrorCode, #parseErrorCode, offset)

#include <rapidjson/error/error.h>

namespace TesselConnect::Json {

class ParseException : public std::runtime_error, public rapidjson::ParseResult {
public:
    ParseException(rapidjson::ParseErrorCode code, const char* codeName, std::size_t offset)
        : std::runtime_error(codeName), rapidjson::ParseResult(code, offset) {}
};

namespace Detail {

[[noreturn]] void RaiseParseError(rapidjson::ParseErrorCode code, const char* codeName, std::size_t offset);
[[noreturn]] void RaiseAssertion(const char* expression, const char* file, int line);

} // namespace Detail

} // namespace TesselConnect::Json

#endif // ATC_RAPIDJSON_HOOKS
