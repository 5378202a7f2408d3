// The page's call "associationRequested", with whatever arguments the page passes.

#include "Support/PageCall.hpp"
#include "Support/PageMutator.hpp"

ATC_FUZZ_TARGET(PageAssociationRequested) {
    return TesselConnect::Fuzz::CheckPageCall("associationRequested", data, size);
}

ATC_FUZZ_MUTATOR(TesselConnect::Fuzz::MutatePageCall)
