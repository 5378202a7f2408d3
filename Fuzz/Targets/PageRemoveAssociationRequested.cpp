// The page's call "removeAssociationRequested", with whatever arguments the page passes.

#include "Support/PageCall.hpp"

ATC_FUZZ_TARGET(PageRemoveAssociationRequested) {
    return TesselConnect::Fuzz::CheckPageCall("removeAssociationRequested", data, size);
}
