#pragma once

// Conversions between the host API's guid record and the core library's guid (C++ only).
// Both are 16 bytes in the same order; converting copies them unchanged, either way.

#ifndef __cplusplus
#error "VNAPI_GuidConversion.h is C++ only"
#endif

#include "VNAPI_Base.h"

#include <QB/Guid.hpp>

#include <algorithm>

inline QB::Guid APIGuid2QBGuid(const API_Guid& guid) noexcept {
    return QB::Guid(guid.bytes);
}

inline API_Guid QBGuid2APIGuid(const QB::Guid& guid) noexcept {
    API_Guid result = {};
    std::copy(guid.GetBytes().begin(), guid.GetBytes().end(), result.bytes);
    return result;
}
