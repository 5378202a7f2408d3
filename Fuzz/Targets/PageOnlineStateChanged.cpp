// The page's call "tvk_onlineStateChanged", with whatever arguments the page passes.

#include "Support/PageCall.hpp"

ATC_FUZZ_TARGET(PageOnlineStateChanged) {
    return TesselConnect::Fuzz::CheckPageCall("tvk_onlineStateChanged", data, size);
}
