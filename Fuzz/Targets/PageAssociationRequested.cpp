// The page's call "associationRequested", with whatever arguments the page passes.

#include "Support/PageCall.hpp"

ATC_FUZZ_TARGET(PageAssociationRequested) {
    return TesselConnect::Fuzz::CheckPageCall("associationRequested", data, size);
}
