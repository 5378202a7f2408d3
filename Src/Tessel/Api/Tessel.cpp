#include "Tessel/Api/Tessel.hpp"

#include "Tessel/Api/TesselCallbackApi.hpp"

#include <utility>

namespace TesselConnect::Api {

Tessel::~Tessel() = default;

void Tessel::SetCallbackApi(std::weak_ptr<TesselCallbackApi> callbackApi) {
    _callbackApi = std::move(callbackApi);
}

std::shared_ptr<TesselCallbackApi> Tessel::GetCallbackApi() const {
    return _callbackApi.lock();
}

} // namespace TesselConnect::Api
