// The page's call "specAssociationRequested", with whatever arguments the page passes.

#include "Support/PageCall.hpp"

ATC_FUZZ_TARGET(PageSpecAssociationRequested) {
    return TesselConnect::Fuzz::CheckPageCall("specAssociationRequested", data, size);
}
