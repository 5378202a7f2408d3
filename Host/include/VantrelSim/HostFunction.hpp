#pragma once

// One name per slot of the host function table, in table order, so tests can point at a host
// function (fault injection, call counts, emptying a slot) without touching the table itself.

#include <VNAPI/VNAPI.h>

#include <cstddef>
#include <optional>
#include <string_view>

namespace VantrelSim {

enum class HostFunction : std::size_t {
#define VANTRELSIM_FUNCTION_ENUMERATOR_(name) name,
    VNAPI_FOR_EACH_FUNCTION(VANTRELSIM_FUNCTION_ENUMERATOR_)
#undef VANTRELSIM_FUNCTION_ENUMERATOR_
};

inline constexpr std::size_t HostFunctionCount = VNAPI_AssignedFunctionCount;

// "VNAPI_Element_GetHeader" for HostFunction::VNAPI_Element_GetHeader.
std::string_view HostFunctionName(HostFunction function);
std::optional<HostFunction> HostFunctionFromName(std::string_view name);

// The selector functions take a request code as their first argument after the token.
constexpr bool IsSelectorFunction(HostFunction function) {
    switch (function) {
    case HostFunction::VNAPI_Database:
    case HostFunction::VNAPI_Environment:
    case HostFunction::VNAPI_Automate:
    case HostFunction::VNAPI_Goodies:
    case HostFunction::VNAPI_Navigator:
    case HostFunction::VNAPI_Interface:
        return true;
    default:
        return false;
    }
}

} // namespace VantrelSim
