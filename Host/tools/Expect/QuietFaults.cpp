#include "Expect/QuietFaults.hpp"

#include <algorithm>
#include <optional>
#include <string_view>

namespace VantrelSim::Tool {

namespace {

struct QuietAnswer {
    std::optional<VNAPI_ErrCode> code;   // none: any code
    std::vector<HostFunction> functions; // empty: any function
    FaultSilence silence;
    // Part of the info line with which the handler that takes the fault quietly says it took it;
    // with it, the project must also be as before the step (nothing half made). Empty: no line.
    std::string_view takenQuietlyBy;
};

const std::vector<QuietAnswer>& QuietAnswers() {
    static const std::vector<QuietAnswer> answers = {
        // A function that answers yes or no has no way to say it failed: its fault is a "no",
        // which the add-on takes as the host's answer.
        {std::nullopt,
         {HostFunction::VNAPI_Element_PassesFilter, HostFunction::VNAPI_Element_IsPropertyAvailable,
          HostFunction::VNAPI_Syncwork_IsSharedProject},
         FaultSilence::NothingToTell,
         {}},
        // APIERR_BADID from a function given one element says that element is gone (another user
        // deleted it): the add-on leaves it out, as it does an element deleted before the step,
        // and may only log it.
        {APIERR_BADID,
         {HostFunction::VNAPI_Element_GetHeader, HostFunction::VNAPI_Element_Get,
          HostFunction::VNAPI_Element_AddClassificationItem,
          HostFunction::VNAPI_Element_RemoveClassificationItem,
          HostFunction::VNAPI_Element_GetClassificationInSystem, HostFunction::VNAPI_Element_SetProperties,
          HostFunction::VNAPI_Element_GetPropertyValuesByGuid},
         FaultSilence::MayStaySilent,
         {}},
        // APIERR_BADID from deleting a property group says the user deleted it already: the
        // add-on forgets the group and logs it.
        {APIERR_BADID, {HostFunction::VNAPI_Property_DeletePropertyGroup}, FaultSilence::MayStaySilent, {}},
        // APIERR_CANCEL is the host's word that the user cancelled what it asked about: the
        // connect logs it and does nothing else. Elsewhere a cancel is a failure like any other.
        {APIERR_CANCEL, {}, FaultSilence::MayStaySilent, "ConnectWithSpecification: APIERR_CANCEL("},
    };
    return answers;
}

bool Logged(const std::vector<AddonLogLine>& addonLog, std::string_view text) {
    return std::any_of(addonLog.begin(), addonLog.end(), [&](const AddonLogLine& line) {
        return line.level == "info" && line.line.find(text) != std::string::npos;
    });
}

std::optional<FaultSilence> SilenceFor(const FiredFault& fault, const std::vector<AddonLogLine>& addonLog,
                                       bool projectAsBefore) {
    for (const QuietAnswer& answer : QuietAnswers()) {
        const bool codeMatches = !answer.code || *answer.code == fault.code;
        const bool functionMatches =
            answer.functions.empty() || std::find(answer.functions.begin(), answer.functions.end(),
                                                  fault.function) != answer.functions.end();
        const bool shown =
            answer.takenQuietlyBy.empty() || (projectAsBefore && Logged(addonLog, answer.takenQuietlyBy));
        if (codeMatches && functionMatches && shown) {
            return answer.silence;
        }
    }
    return std::nullopt;
}

} // namespace

FaultSilence SilenceAllowed(const std::vector<FiredFault>& fired, const std::vector<AddonLogLine>& addonLog,
                            bool projectAsBefore) {
    if (fired.empty()) {
        return FaultSilence::MustTell;
    }
    FaultSilence silence = FaultSilence::NothingToTell;
    for (const FiredFault& fault : fired) {
        const std::optional<FaultSilence> excused = SilenceFor(fault, addonLog, projectAsBefore);
        if (!excused) {
            return FaultSilence::MustTell;
        }
        silence = std::max(silence, *excused);
    }
    return silence;
}

} // namespace VantrelSim::Tool
