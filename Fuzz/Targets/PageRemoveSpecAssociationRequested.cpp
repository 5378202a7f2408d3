// The page's call "removeSpecAssociationRequested", with whatever arguments the page passes.

#include "Support/PageCall.hpp"
#include "Support/PageMutator.hpp"

ATC_FUZZ_TARGET(PageRemoveSpecAssociationRequested) {
    return TesselConnect::Fuzz::CheckPageCall("removeSpecAssociationRequested", data, size);
}

ATC_FUZZ_MUTATOR(TesselConnect::Fuzz::MutatePageCall)
