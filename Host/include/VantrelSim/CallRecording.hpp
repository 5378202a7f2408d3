#pragma once

// The host-call floor: the host calls an add-on made for one operation, kept with copies of
// their arguments so that the same calls can be made again without the add-on. What a replay
// costs is what the operation cannot avoid paying the host; what the add-on takes beyond that is
// its own work.
//
// Recording: Host::StartRecording, then the operation, then Host::StopRecording. Every call
// through the host's table is kept in order, with its arguments as they were when it was made
// (outputs included: a replay gets them as the add-on passed them, so in-out records such as an
// element header with its guid set are the same). Calls made inside a command are kept inside it.
//
// Replaying: Prepare makes fresh copies of every argument (its cost is not the operation's),
// then Run makes the calls through the same host's table, in the same order, with the same
// arguments. A command is called with a body of the simulator's own that makes the calls that
// ran inside it and answers what the add-on's body answered. While a replay runs the host calls
// none of the add-on's handlers (a selection change, a project event), so that only the host's
// work is counted; the calls the add-on made from its handlers are in the recording already.
//
// Each call's answer is kept too, and a replay tells the calls whose answer differs: a replay
// against another state than the recorded one (calls refused early cost less) is no floor.
// Replay against the state the operation started from (undo it first) to get the same work.
// A selector request the simulator does not know is replayed with null parameters. Main thread
// only, like the host.

#include <VantrelSim/HostFunction.hpp>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace VantrelSim {

class Host;

namespace Detail {
class RecordedCall;
class PreparedCall;
class CallRecorder;
} // namespace Detail

struct ReplayResult {
    // Calls made, nested ones included.
    std::size_t calls = 0;
    // Calls that answered otherwise than when they were recorded (those that answer a value or a
    // code), and the first of them, e.g. "call 12, VNAPI_ModulData_Get: recorded 0, replayed
    // -2130313112".
    std::size_t differingAnswers = 0;
    std::string firstDifference;
};

class PreparedReplay {
public:
    PreparedReplay();
    ~PreparedReplay();
    PreparedReplay(PreparedReplay&&) noexcept;
    PreparedReplay& operator=(PreparedReplay&&) noexcept;

    // Makes the calls through `host`'s table. A prepared replay runs once: its arguments are the
    // host's to change, and each call's go as it returns (as an add-on's would).
    ReplayResult Run(Host& host);

private:
    friend class CallRecording;
    std::vector<std::unique_ptr<Detail::PreparedCall>> _calls;
    bool _ran = false;
};

class CallRecording {
public:
    CallRecording();
    ~CallRecording();
    CallRecording(CallRecording&&) noexcept;
    CallRecording& operator=(CallRecording&&) noexcept;

    // All calls, those made inside commands included.
    std::size_t CallCount() const;
    std::size_t CallCount(HostFunction function) const;
    // The functions in call order, a command before the calls made inside it.
    std::vector<HostFunction> Functions() const;

    PreparedReplay Prepare() const;

private:
    friend class Detail::CallRecorder;
    std::vector<std::unique_ptr<Detail::RecordedCall>> _calls;
};

} // namespace VantrelSim
