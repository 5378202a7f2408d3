// The page's call "getAllTypesInDocument", with whatever arguments the page passes.

#include "Support/PageCall.hpp"

ATC_FUZZ_TARGET(PageGetAllTypesInDocument) {
    return TesselConnect::Fuzz::CheckPageCall("getAllTypesInDocument", data, size);
}
