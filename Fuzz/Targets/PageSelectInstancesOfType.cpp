// The page's call "selectInstancesOfType", with whatever arguments the page passes.

#include "Support/PageCall.hpp"
#include "Support/PageMutator.hpp"

ATC_FUZZ_TARGET(PageSelectInstancesOfType) {
    return TesselConnect::Fuzz::CheckPageCall("selectInstancesOfType", data, size);
}

ATC_FUZZ_MUTATOR(TesselConnect::Fuzz::MutatePageCall)
