#include <VantrelSim/CallRecording.hpp>

#include <VantrelSim/Host.hpp>
#include <VantrelSim/HostErrorName.hpp>

#include "RecordedCall.hpp"

#include <stdexcept>
#include <string>

namespace VantrelSim {

namespace Detail {

namespace {

template <typename T> std::unique_ptr<OpaqueValue> Kept(void* parameter) {
    if (parameter == nullptr) {
        return nullptr;
    }
    return std::make_unique<TypedOpaqueValue<T>>(*static_cast<const T*>(parameter));
}

void CountCalls(const std::vector<std::unique_ptr<RecordedCall>>& calls, std::size_t& count,
                std::optional<HostFunction> only) {
    for (const auto& call : calls) {
        if (!only || call->Function() == *only) {
            ++count;
        }
        if (const auto* nested = call->Nested()) {
            CountCalls(*nested, count, only);
        }
    }
}

void ListFunctions(const std::vector<std::unique_ptr<RecordedCall>>& calls,
                   std::vector<HostFunction>& functions) {
    for (const auto& call : calls) {
        functions.push_back(call->Function());
        if (const auto* nested = call->Nested()) {
            ListFunctions(*nested, functions);
        }
    }
}

std::vector<std::unique_ptr<PreparedCall>>
PrepareAll(const std::vector<std::unique_ptr<RecordedCall>>& calls) {
    std::vector<std::unique_ptr<PreparedCall>> prepared;
    prepared.reserve(calls.size());
    for (const auto& call : calls) {
        prepared.push_back(call->Prepare());
    }
    return prepared;
}

} // namespace

std::vector<std::unique_ptr<OpaqueValue>> SelectorParameters(API_RequestCode code,
                                                             const std::array<void*, 5>& p) {
    std::vector<std::unique_ptr<OpaqueValue>> kept;
    const auto keep = [&](auto... values) { (kept.push_back(std::move(values)), ...); };
    switch (code) {
    case APIReq_GetCurrentWindow:
    case APIReq_ChangeWindow:
        keep(Kept<API_WindowInfo>(p[0]));
        break;
    case APIReq_GetDatabaseInfo:
        keep(Kept<API_DatabaseInfo>(p[0]));
        break;
    case APIReq_GetStorySettings:
        keep(Kept<API_StoryInfo>(p[0]));
        break;
    case APIReq_ChangeStorySettings:
        keep(Kept<API_StoryCmd>(p[0]));
        break;
    case APIReq_Get3DProjection:
        keep(Kept<API_3DProjectionInfo>(p[0]));
        break;
    case APIReq_Change3DProjection:
        keep(Kept<API_3DProjectionInfo>(p[0]), Kept<bool>(p[1]));
        break;
    case APIReq_ApplicationInfo:
        keep(Kept<API_ServerApplicationInfo>(p[0]));
        break;
    case APIReq_ProjectInfo:
        keep(Kept<API_ProjectInfo>(p[0]));
        break;
    case APIReq_NeigToElemType:
        keep(Kept<API_NeigID>(p[0]), Kept<API_ElemTypeID>(p[1]));
        break;
    case APIReq_ElemTypeName:
        keep(Kept<API_ElemTypeID>(p[0]), Kept<QB::UniString>(p[1]));
        break;
    case APIReq_HierarchicalOwner:
        keep(Kept<API_Guid>(p[0]), Kept<API_HierarchicalOwnerKind>(p[1]),
             Kept<API_HierarchicalOwnerInfo>(p[2]));
        break;
    case APIReq_NavigatorItem:
        keep(Kept<API_Guid>(p[0]), Kept<API_NavigatorItem>(p[1]));
        break;
    case APIReq_GetMenuItemFlags:
    case APIReq_SetMenuItemFlags:
        keep(Kept<API_MenuItemRef>(p[0]), Kept<API_MenuItemFlags>(p[1]));
        break;
    case APIReq_OpenProgress:
    case APIReq_StepProgress:
        keep(Kept<QB::UniString>(p[0]), Kept<std::int32_t>(p[1]));
        break;
    default: // APIReq_ZoomToSelected, APIReq_CloseProgress and unknown requests: no parameters
        break;
    }
    return kept;
}

std::unique_ptr<PreparedCall> RecordedCommand::Prepare() const {
    return std::make_unique<PreparedCommand>(Function(),
                                             _named ? std::optional<QB::UniString>(_name) : std::nullopt,
                                             _bodyResult, PrepareAll(_nested));
}

void PreparedCall::Tally(std::size_t call, Answer replayed, ReplayResult& result) const {
    if (replayed == _recorded) {
        return;
    }
    if (result.differingAnswers++ == 0) {
        const auto text = [this](Answer answer) {
            if (!answer) {
                return std::string("nothing");
            }
            return _answersCode ? DescribeHostError(static_cast<VNAPI_ErrCode>(*answer))
                                : std::to_string(*answer);
        };
        result.firstDifference = "call " + std::to_string(call) + ", " +
                                 std::string(HostFunctionName(_function)) + ": recorded " + text(_recorded) +
                                 ", replayed " + text(replayed);
    }
}

void PreparedCommand::Run(const VNAPI_FunctionTable& table, VNAPI_Token token, ReplayResult& result) {
    _table = &table;
    _token = token;
    _result = &result;
    // The command is numbered before the calls made inside it, as it was recorded.
    const std::size_t number = ++result.calls;
    Answer replayed;
    const auto call = _function == HostFunction::VNAPI_CallUndoableCommand ? table.VNAPI_CallUndoableCommand
                                                                           : table.VNAPI_CallCommand;
    if (call != nullptr) {
        // A command recorded without a name replays without one: the host names such steps itself.
        replayed = call(token, _name ? &*_name : nullptr, &Body, this);
    }
    Tally(number, replayed, result);
}

VNAPI_ErrCode PreparedCommand::Body(void* userData) {
    auto& command = *static_cast<PreparedCommand*>(userData);
    // Each call's arguments go as soon as it returns, as an add-on's would: kept, the outputs of
    // thousands of calls would cost the replay memory the add-on never holds.
    for (auto& call : command._nested) {
        call->Run(*command._table, command._token, *command._result);
        call.reset();
    }
    return command._bodyResult;
}

} // namespace Detail

PreparedReplay::PreparedReplay() = default;
PreparedReplay::~PreparedReplay() = default;
PreparedReplay::PreparedReplay(PreparedReplay&&) noexcept = default;
PreparedReplay& PreparedReplay::operator=(PreparedReplay&&) noexcept = default;

ReplayResult PreparedReplay::Run(Host& host) {
    if (_ran) {
        throw std::logic_error("VantrelSim::PreparedReplay: a prepared replay runs once");
    }
    _ran = true;
    const bool wasMuted = std::exchange(host._addonHandlersMuted, true);
    ReplayResult result;
    try {
        for (auto& call : _calls) {
            call->Run(host.FunctionTable(), host.Token(), result);
            call.reset();
        }
    } catch (...) {
        host._addonHandlersMuted = wasMuted;
        throw;
    }
    host._addonHandlersMuted = wasMuted;
    return result;
}

CallRecording::CallRecording() = default;
CallRecording::~CallRecording() = default;
CallRecording::CallRecording(CallRecording&&) noexcept = default;
CallRecording& CallRecording::operator=(CallRecording&&) noexcept = default;

std::size_t CallRecording::CallCount() const {
    std::size_t count = 0;
    Detail::CountCalls(_calls, count, std::nullopt);
    return count;
}

std::size_t CallRecording::CallCount(HostFunction function) const {
    std::size_t count = 0;
    Detail::CountCalls(_calls, count, function);
    return count;
}

std::vector<HostFunction> CallRecording::Functions() const {
    std::vector<HostFunction> functions;
    Detail::ListFunctions(_calls, functions);
    return functions;
}

PreparedReplay CallRecording::Prepare() const {
    PreparedReplay replay;
    replay._calls = Detail::PrepareAll(_calls);
    return replay;
}

} // namespace VantrelSim
