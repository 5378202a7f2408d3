// The page's call "getAllState", with whatever arguments the page passes.

#include "Support/PageCall.hpp"

ATC_FUZZ_TARGET(PageGetAllState) {
    return TesselConnect::Fuzz::CheckPageCall("getAllState", data, size);
}
