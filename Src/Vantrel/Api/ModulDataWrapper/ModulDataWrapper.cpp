#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"

namespace TesselConnect::Api::ModulDataWrapper {

QB::Protocol ProtocolForPlatformSign(QB::UInt16 platformSign) noexcept {
    if (platformSign == QB::PlatformSign) {
        return QB::PlatformProtocol;
    }
    if (platformSign == static_cast<QB::UInt16>(QB::Protocol::BigEndian)) {
        return QB::Protocol::BigEndian;
    }
    return QB::Protocol::BigEndianUtf16;
}

bool IsKnownPlatformSign(QB::UInt16 platformSign) noexcept {
    return platformSign == QB::PlatformSign ||
           platformSign == static_cast<QB::UInt16>(QB::Protocol::BigEndian) ||
           platformSign == static_cast<QB::UInt16>(QB::Protocol::BigEndianUtf16);
}

} // namespace TesselConnect::Api::ModulDataWrapper
