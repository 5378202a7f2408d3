// The page's call "updateProperties", with whatever arguments the page passes.

#include "Support/PageCall.hpp"
#include "Support/PageMutator.hpp"

ATC_FUZZ_TARGET(PageUpdateProperties) {
    return TesselConnect::Fuzz::CheckPageCall("updateProperties", data, size);
}

ATC_FUZZ_MUTATOR(TesselConnect::Fuzz::MutatePageCall)
