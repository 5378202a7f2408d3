#include <PK/Alert.hpp>
#include <PK/InteractionRecord.hpp>
#include <PK/Responder.hpp>

#include "Diagnostics.hpp"

#include <array>
#include <exception>
#include <span>

namespace PK {

namespace {

QB::Int32 Show(QB::ResModule module, QB::ResId alertId, std::span<const QB::UniString> parameters) {
    Detail::AssertMainThread();
    auto resource = QB::GetResourceAlert(module, alertId);
    if (!resource) {
        Detail::Report("alert resource {} not found in module {}; nothing shown", alertId, module);
        return 0;
    }
    const QB::ResourceAlert filled = QB::FillAlertParameters(std::move(*resource), parameters);

    AlertRecord record;
    record.module = module;
    record.alertId = alertId;
    record.type = filled.type;
    record.title = filled.title;
    record.largeText = filled.mainText;
    record.smallText = filled.detailText;
    record.buttons = filled.buttons;
    if (record.buttons.empty()) {
        record.buttons.emplace_back("OK"); // an alert always offers a way out
    }

    QB::Int32 answer = 0;
    try {
        answer = GetUserResponder().AnswerAlert(record);
    } catch (const std::exception& e) {
        Detail::Report("the user responder failed on alert {}: {}", alertId, e.what());
    } catch (...) {
        Detail::Report("the user responder failed on alert {}", alertId);
    }
    const auto buttons = static_cast<QB::Int32>(record.buttons.size());
    if (answer < 1 || answer > buttons) {
        Detail::Report("answer {} to alert {} names none of its {} buttons; button 1 pressed instead", answer,
                       alertId, buttons);
        answer = 1;
    }
    record.answer = answer;
    InteractionRecord::Instance().Add(std::move(record));
    return answer;
}

} // namespace

QB::Int32 ShowAlert(QB::ResModule module, QB::ResId alertId) {
    return Show(module, alertId, {});
}

QB::Int32 ShowAlert(QB::ResModule module, QB::ResId alertId, const QB::UniString& param1,
                    const QB::UniString& param2, const QB::UniString& param3, const QB::UniString& param4) {
    const std::array<QB::UniString, 4> parameters{param1, param2, param3, param4};
    return Show(module, alertId, parameters);
}

} // namespace PK
