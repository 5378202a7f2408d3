// The page's call "removeAssociationRequested", with whatever arguments the page passes.

#include "Support/PageCall.hpp"
#include "Support/PageMutator.hpp"

ATC_FUZZ_TARGET(PageRemoveAssociationRequested) {
    return TesselConnect::Fuzz::CheckPageCall("removeAssociationRequested", data, size);
}

ATC_FUZZ_MUTATOR(TesselConnect::Fuzz::MutatePageCall)
