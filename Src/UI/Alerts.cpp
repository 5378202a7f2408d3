#include "UI/Alerts.hpp"

#include "UI/AddonResModule.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/RunnableLambda/RunnableLambda.hpp"

#include <PK/Alert.hpp>

#include <utility>

namespace TesselConnect::UI {

namespace {

constexpr std::size_t MaxAlertParameters = 4;

const QB::UniString& ParameterAt(const AlertParameters& parameters, std::size_t index) {
    static const QB::UniString none;
    return index < parameters.size() ? parameters[index] : none;
}

} // namespace

QB::Int32 ShowAlertNow(QB::UInt32 alertId, const AlertParameters& parameters) {
    LOG_DEBUG("ShowAlert: {}", alertId);
    const QB::ResModule module = GetAddonResModule();
    if (parameters.empty()) {
        return PK::ShowAlert(module, alertId);
    }
    if (parameters.size() > MaxAlertParameters) {
        LOG_ERROR("alert {} takes at most {} parameters, {} given; the rest are dropped", alertId,
                  MaxAlertParameters, parameters.size());
    }
    return PK::ShowAlert(module, alertId, ParameterAt(parameters, 0), ParameterAt(parameters, 1),
                         ParameterAt(parameters, 2), ParameterAt(parameters, 3));
}

void PostAlert(QB::UInt32 alertId, AlertParameters parameters, AlertContinuation continuation) {
    PostToMainLoop([alertId, parameters = std::move(parameters), continuation = std::move(continuation)] {
        try {
            const QB::Int32 answer = ShowAlertNow(alertId, parameters);
            if (continuation) {
                continuation(answer);
            }
        }
        LOG_CATCH_ALL
    });
}

} // namespace TesselConnect::UI
