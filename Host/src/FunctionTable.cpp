#include "FunctionTable.hpp"

#include "HostApi.hpp"
#include "RecordedCall.hpp"

#include <mutex>
#include <new>
#include <type_traits>
#include <unordered_set>
#include <vector>

namespace VantrelSim {

namespace {

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unordered_set<const VNAPI_HostContext*>& LiveContexts() {
    static std::unordered_set<const VNAPI_HostContext*> contexts;
    return contexts;
}

const VNAPI_HostContext*& StartupContext() {
    static const VNAPI_HostContext* context = nullptr;
    return context;
}

Host* Resolve(VNAPI_Token token) {
    const std::lock_guard lock(RegistryMutex());
    const VNAPI_HostContext* context = token != nullptr ? token : StartupContext();
    return LiveContexts().contains(context) ? context->host : nullptr;
}

void AddGuid(std::vector<QB::Guid>& guids, const API_Guid& guid) {
    guids.push_back(APIGuid2QBGuid(guid));
}

// The guids a call is about, for faults that concern one guid.
template <typename T> void CollectGuids(std::vector<QB::Guid>& guids, const T& arg) {
    using Plain = std::remove_cv_t<std::remove_pointer_t<T>>;
    if constexpr (std::is_pointer_v<T> && !std::is_void_v<Plain>) {
        if (arg == nullptr) {
            return;
        }
        if constexpr (std::is_same_v<Plain, API_Guid>) {
            AddGuid(guids, *arg);
        } else if constexpr (std::is_same_v<Plain, API_Elem_Head>) {
            AddGuid(guids, arg->guid);
        } else if constexpr (std::is_same_v<Plain, API_Element>) {
            AddGuid(guids, arg->header.guid);
        } else if constexpr (std::is_same_v<Plain, API_ClassificationItem> ||
                             std::is_same_v<Plain, API_ClassificationSystem> ||
                             std::is_same_v<Plain, API_PropertyGroup> ||
                             std::is_same_v<Plain, API_PropertyDefinition>) {
            AddGuid(guids, arg->guid);
        } else if constexpr (std::is_same_v<Plain, API_Property>) {
            AddGuid(guids, arg->definition.guid);
        } else if constexpr (std::is_same_v<Plain, API_AddonObject>) {
            AddGuid(guids, arg->id);
        } else if constexpr (std::is_same_v<Plain, QB::Array<API_Guid>>) {
            for (const auto& guid : *arg) {
                AddGuid(guids, guid);
            }
        } else if constexpr (std::is_same_v<Plain, QB::Array<API_Neig>>) {
            for (const auto& neig : *arg) {
                AddGuid(guids, neig.guid);
            }
        } else if constexpr (std::is_same_v<Plain, QB::Array<API_Property>>) {
            for (const auto& property : *arg) {
                AddGuid(guids, property.definition.guid);
            }
        }
    }
}

template <typename R> R Refusal(VNAPI_ErrCode code) {
    if constexpr (std::is_same_v<R, VNAPI_ErrCode>) {
        return code;
    } else if constexpr (!std::is_void_v<R>) {
        return R{};
    }
}

constexpr bool IsCommandFunction(HostFunction function) {
    return function == HostFunction::VNAPI_CallUndoableCommand || function == HostFunction::VNAPI_CallCommand;
}

// Ends a recorded call when it returns or throws, with what it answered (a command's body
// result, or any other call's answer); a call that threw is kept as having answered what the
// host then answers.
class RecordedCallScope {
public:
    RecordedCallScope(Detail::CallRecorder* recorder, bool command)
        : _recorder(recorder), _command(command) {}
    ~RecordedCallScope() {
        if (_recorder == nullptr) {
            return;
        }
        if (_command) {
            _recorder->Leave(static_cast<VNAPI_ErrCode>(_answer.value_or(APIERR_GENERAL)));
        } else {
            _recorder->Answered(_answer);
        }
    }
    RecordedCallScope(const RecordedCallScope&) = delete;
    RecordedCallScope& operator=(const RecordedCallScope&) = delete;
    template <typename R> R Answer(R answer) {
        _answer = Detail::AnswerOf(answer);
        return answer;
    }

private:
    Detail::CallRecorder* _recorder;
    bool _command;
    Detail::Answer _answer;
};

template <HostFunction Function, auto Method, auto Slot> struct Trampoline;

template <HostFunction Function, typename R, typename... A, R (HostApi::*Method)(A...), auto Slot>
struct Trampoline<Function, Method, Slot> {
    static R Call(VNAPI_Token token, A... args) noexcept {
        Host* host = Resolve(token);
        if (host == nullptr) {
            return Refusal<R>(APIERR_NOTINIT);
        }
        try {
            HostApi& api = ApiOf(*host);
            Detail::CallRecorder* recorder = api.Recorder();
            if (recorder != nullptr) {
                recorder->Enter<Function, Slot>(args...);
            }
            RecordedCallScope recorded(recorder, IsCommandFunction(Function));
            // Most calls meet no fault: the guids a fault could be about are gathered only when
            // faults are installed, so that the host's own cost of a call stays small.
            if (!api.CountCall(Function)) {
                std::vector<QB::Guid> guids;
                std::optional<API_RequestCode> request;
                if constexpr (IsSelectorFunction(Function)) {
                    request = std::get<0>(std::tie(args...));
                    // The guid-taking requests pass the guid as their first parameter.
                    if (*request == APIReq_HierarchicalOwner || *request == APIReq_NavigatorItem) {
                        CollectGuids(guids, static_cast<const API_Guid*>(std::get<1>(std::tie(args...))));
                    }
                } else {
                    (CollectGuids(guids, args), ...);
                }
                if (const auto fault = api.MatchFault(Function, request, guids)) {
                    if constexpr (std::is_void_v<R>) {
                        return;
                    } else {
                        return recorded.Answer(Refusal<R>(*fault));
                    }
                }
            }
            const auto answer = [&]() -> R {
                try {
                    return (api.*Method)(args...);
                } catch (const Refused& refused) {
                    return Refusal<R>(refused.code);
                }
            };
            if constexpr (std::is_void_v<R>) {
                answer();
            } else {
                return recorded.Answer(answer());
            }
        } catch (const std::bad_alloc&) {
            return Refusal<R>(APIERR_MEMFULL);
        } catch (...) {
            return Refusal<R>(APIERR_GENERAL);
        }
    }
};

} // namespace

void RegisterContext(const VNAPI_HostContext* context) {
    const std::lock_guard lock(RegistryMutex());
    LiveContexts().insert(context);
}

void UnregisterContext(const VNAPI_HostContext* context) {
    const std::lock_guard lock(RegistryMutex());
    LiveContexts().erase(context);
    if (StartupContext() == context) {
        StartupContext() = nullptr;
    }
}

void SetStartupContext(const VNAPI_HostContext* context) {
    const std::lock_guard lock(RegistryMutex());
    StartupContext() = context;
}

void SetFunctionSlot(VNAPI_FunctionTable& table, HostFunction function, bool filled) {
    switch (function) {
#define VANTRELSIM_SLOT_CASE_(name)                                                                          \
    case HostFunction::name:                                                                                 \
        table.name = filled                                                                                  \
                         ? &Trampoline<HostFunction::name, &HostApi::name, &VNAPI_FunctionTable::name>::Call \
                         : nullptr;                                                                          \
        break;
        VNAPI_FOR_EACH_FUNCTION(VANTRELSIM_SLOT_CASE_)
#undef VANTRELSIM_SLOT_CASE_
    }
}

} // namespace VantrelSim
