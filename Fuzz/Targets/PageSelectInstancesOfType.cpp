// The page's call "selectInstancesOfType", with whatever arguments the page passes.

#include "Support/PageCall.hpp"

ATC_FUZZ_TARGET(PageSelectInstancesOfType) {
    return TesselConnect::Fuzz::CheckPageCall("selectInstancesOfType", data, size);
}
