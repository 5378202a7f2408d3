#pragma once

// Carries an exception out of a callback that the host runs (an undoable command, which logs and
// swallows whatever its command throws) and throws it again on the caller's side with its type
// intact, so the caller's handler can still tell a missing reservation from a missing
// classification item.
//
//     Model::TypedErrorExceptor exceptor;
//     vnApi.CallUndoableCommand(name, [&] { exceptor.Capture([&] { DoTheWork(); }); });
//     exceptor.Rethrow();
//
// Main thread; one exceptor per command. Capture never throws; Rethrow throws what was captured,
// or std::runtime_error("TypedErrorExceptor: unknown") for something that was not a
// std::exception, and returns normally when nothing was captured.

#include <QB/UniString.hpp>

#include <exception>
#include <functional>

namespace TesselConnect::Api {
class Vantrel;
}

namespace TesselConnect::Model {

class TypedErrorExceptor {
public:
    // Runs the callback and keeps what it throws (the first failure wins on repeated captures).
    void Capture(const std::function<void()>& callback) noexcept;

    void Rethrow() const;

    bool HasCaptured() const noexcept { return _captured != nullptr || _unknown; }

private:
    std::exception_ptr _captured;
    bool _unknown = false;
};

// Runs `change` inside a host command that adds no undo step (the project takes changes only inside
// a command) and throws what it threw, with its type, after the host took back what it changed; a
// command the host refused to run throws APIERR_REFUSEDCMD.
void RunInHostCommand(Api::Vantrel& vnApi, const QB::UniString& commandName,
                      const std::function<void()>& change);

} // namespace TesselConnect::Model
