// The page's call "specAssociationRequested", with whatever arguments the page passes.

#include "Support/PageCall.hpp"
#include "Support/PageMutator.hpp"

ATC_FUZZ_TARGET(PageSpecAssociationRequested) {
    return TesselConnect::Fuzz::CheckPageCall("specAssociationRequested", data, size);
}

ATC_FUZZ_MUTATOR(TesselConnect::Fuzz::MutatePageCall)
