// The page's call "tvk_onlineStateChanged", with whatever arguments the page passes.

#include "Support/PageCall.hpp"
#include "Support/PageMutator.hpp"

ATC_FUZZ_TARGET(PageOnlineStateChanged) {
    return TesselConnect::Fuzz::CheckPageCall("tvk_onlineStateChanged", data, size);
}

ATC_FUZZ_MUTATOR(TesselConnect::Fuzz::MutatePageCall)
