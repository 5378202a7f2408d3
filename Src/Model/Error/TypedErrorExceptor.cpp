#include "Model/Error/TypedErrorExceptor.hpp"

#include "Vantrel/Api/Error/CommandTakenBack.hpp"
#include "Vantrel/Api/Error/ThrowError.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <stdexcept>

namespace TesselConnect::Model {

void TypedErrorExceptor::Capture(const std::function<void()>& callback) noexcept {
    try {
        callback();
    } catch (const std::exception&) {
        // The exception object itself is kept, so a host error stays Api::Error<N> (or one of the
        // no-access-right types) and a model error keeps its issue when thrown again.
        if (!HasCaptured()) {
            _captured = std::current_exception();
        }
    } catch (...) {
        if (!HasCaptured()) {
            _unknown = true;
        }
    }
}

void TypedErrorExceptor::Rethrow() const {
    if (_captured != nullptr) {
        std::rethrow_exception(_captured);
    }
    if (_unknown) {
        throw std::runtime_error("TypedErrorExceptor: unknown");
    }
}

void RunInHostCommand(Api::Vantrel& vnApi, const QB::UniString& commandName,
                      const std::function<void()>& change) {
    TypedErrorExceptor exceptor;
    bool ran = false;
    vnApi.CallCommand(commandName, [&exceptor, &ran, &change] {
        ran = true;
        exceptor.Capture(change);
        // What the change made before it failed goes back with the command: an add-on object
        // created but never filled would otherwise stay in the project. The caller handles (and
        // logs) the failure itself, so the command does not log it again.
        if (exceptor.HasCaptured()) {
            throw Api::CommandTakenBack();
        }
    });
    exceptor.Rethrow();
    if (!ran) {
        ATC_THROW_API_ERROR(APIERR_REFUSEDCMD);
    }
}

} // namespace TesselConnect::Model
