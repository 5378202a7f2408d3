// The page's call "specOpened", with whatever arguments the page passes.

#include "Support/PageCall.hpp"

ATC_FUZZ_TARGET(PageSpecOpened) {
    return TesselConnect::Fuzz::CheckPageCall("specOpened", data, size);
}
