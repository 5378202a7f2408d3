// The page's call "getAllTypesInDocument", with whatever arguments the page passes.

#include "Support/PageCall.hpp"
#include "Support/PageMutator.hpp"

ATC_FUZZ_TARGET(PageGetAllTypesInDocument) {
    return TesselConnect::Fuzz::CheckPageCall("getAllTypesInDocument", data, size);
}

ATC_FUZZ_MUTATOR(TesselConnect::Fuzz::MutatePageCall)
