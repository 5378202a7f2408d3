#include "Tessel/Api/TesselCallbackApi.hpp"

namespace TesselConnect::Api {

TesselCallbackApi::~TesselCallbackApi() = default;

} // namespace TesselConnect::Api
