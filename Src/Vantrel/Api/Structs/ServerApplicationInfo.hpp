#pragma once

// The running host application as the host interface answers it.

#include <VNAPI/VNAPI.h>

#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <fmt/format.h>

#include <string>

namespace TesselConnect::Api {

struct ServerApplicationInfo {
    QB::Int32 serverApplication = 0; // 1: the interactive application
    QB::UInt16 mainVersion = 0;
    QB::Int16 releaseVersion = 0;
    bool runningInBackground = false;
    QB::Int32 buildNum = 0;
    QB::UniString language; // the host's language code, "UKI", "GER", ...
    bool ssaEnabled = false;
    QB::UniString partnerID;

    static ServerApplicationInfo FromHost(const API_ServerApplicationInfo& info);

    // {"serverApplication": 1, "mainVersion": 23, ..., "partnerID": } with booleans as 0 or 1.
    std::string ToString() const;

    friend bool operator==(const ServerApplicationInfo&, const ServerApplicationInfo&) = default;
};

} // namespace TesselConnect::Api

template <>
struct fmt::formatter<TesselConnect::Api::ServerApplicationInfo> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext>
    auto format(const TesselConnect::Api::ServerApplicationInfo& info, FormatContext& ctx) const {
        const std::string text = info.ToString();
        return fmt::formatter<fmt::string_view>::format(fmt::string_view(text.data(), text.size()), ctx);
    }
};
