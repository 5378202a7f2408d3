// The page's call "tvk_ardoTesselIntegrator_objectVerifier", with whatever arguments the page passes.

#include "Support/PageCall.hpp"
#include "Support/PageMutator.hpp"

ATC_FUZZ_TARGET(PageObjectVerifier) {
    return TesselConnect::Fuzz::CheckPageCall("tvk_ardoTesselIntegrator_objectVerifier", data, size);
}

ATC_FUZZ_MUTATOR(TesselConnect::Fuzz::MutatePageCall)
