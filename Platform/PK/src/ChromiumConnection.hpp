#pragma once

// The DevTools connection to the browser process: commands out, replies and events in.
//
// Threads: commands are sent from the main thread only. A reader thread of the connection
// reads and parses what the browser writes, matches replies to their commands, expires
// commands that got no answer in time, and queues everything else; it runs no caller code.
// Queued replies and events are handed to the caller on the main thread when the host's
// message loop runs (the connection posts itself to QB::MessageLoop), in the order the
// browser sent them.
//
// Every command ends exactly once: with its reply, with a timeout, or with the end of the
// connection (end of stream, a write failure), and a command of a page session also when
// that page crashes or its session is detached. Nothing waits without a limit.

#include "ChromiumJson.hpp"
#include "ChromiumProcess.hpp"

#include <rapidjson/document.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace PK::Chromium {

struct Reply {
    bool succeeded = false;
    bool timedOut = false;
    std::string error; // the browser's error message, or why there was no reply
    std::shared_ptr<const rapidjson::Document> message;

    // The reply's "result" object; an empty object when there is none.
    const rapidjson::Value& Result() const;
};

struct Event {
    std::string method;
    std::string sessionId;
    std::shared_ptr<const rapidjson::Document> message;

    // The event's "params" object; an empty object when there is none.
    const rapidjson::Value& Params() const;
};

class Connection : public std::enable_shared_from_this<Connection> {
public:
    using ReplyHandler = std::function<void(const Reply&)>;
    using EventHandler = std::function<void(Event&)>;
    using ClosedHandler = std::function<void(const std::string& reason)>;

    struct Setup {
        // Events passed on to the event handler; all others are dropped by the reader.
        std::unordered_set<std::string> wantedEvents;
        // The event a waiting Call offers to its caller at once (a dialog blocking the page).
        std::string urgentEvent;
        // Longest a command may take to be written when the browser does not read.
        std::chrono::milliseconds writeTimeout{10000};
    };

    // Starts the reader thread on the channel.
    static std::shared_ptr<Connection> Open(FileDescriptor channel, Setup setup);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Main thread. Handlers run on the main thread from the message loop; empty ones drop.
    void SetHandlers(EventHandler onEvent, ClosedHandler onClosed);

    // Main thread. The handler (may be empty) gets the outcome later, on the main thread.
    void Send(std::string_view method, const CommandParams& params, std::string_view sessionId,
              std::chrono::milliseconds timeout, ReplyHandler handler = {});
    // Main thread. Sends a command whose outcome Wait collects.
    std::uint64_t SendForWait(std::string_view method, const CommandParams& params,
                              std::string_view sessionId, std::chrono::milliseconds timeout);
    // Main thread. Blocks until the command has ended. Whenever an urgent event is queued,
    // `onUrgent` runs (on this thread) and is expected to take it with TakeUrgentEvent.
    Reply Wait(std::uint64_t id, const std::function<void()>& onUrgent = {});
    Reply Call(std::string_view method, const CommandParams& params, std::string_view sessionId,
               std::chrono::milliseconds timeout, const std::function<void()>& onUrgent = {}) {
        return Wait(SendForWait(method, params, sessionId, timeout), onUrgent);
    }
    // Main thread. Takes the oldest queued urgent event out of the queue.
    std::optional<Event> TakeUrgentEvent();

    // Ends our direction of the channel: the browser sees the end of its input and exits.
    void CloseCommands();
    // Stops and joins the reader thread; queued items are dropped. Also done by the destructor.
    void Stop();

    bool IsClosed() const;
    std::string GetCloseReason() const;

private:
    struct Pending {
        std::string method;
        std::string sessionId;
        std::chrono::steady_clock::time_point deadline;
        std::chrono::milliseconds timeout{};
        ReplyHandler handler;
        bool kept = false;
    };

    struct Item {
        enum class Kind { Event, Reply, Closed };
        Kind kind = Kind::Event;
        Event event;
        Reply reply;
        ReplyHandler handler;
        std::string reason;
        bool urgent = false;
    };

    Connection(FileDescriptor channel, Setup setup);
    std::uint64_t Register(std::string_view method, std::string_view sessionId,
                           std::chrono::milliseconds timeout, ReplyHandler handler, bool kept,
                           std::string& text, const CommandParams& params);
    void Transmit(const std::string& text);
    bool WriteAll(std::string_view data);

    void ReadLoop();
    void HandleMessage(std::string_view text);
    void ExpireDeadlines();
    int MillisecondsToNextDeadline();
    void WakeReader();

    // The locked helpers expect _mutex to be held.
    void CompleteLocked(std::uint64_t id, Reply reply);
    void FailSessionLocked(const std::string& sessionId, const std::string& why);
    void CloseLocked(const std::string& reason);
    void EnqueueLocked(Item item);
    void Close(const std::string& reason);

    void Drain();
    void Dispatch(Item& item);

    FileDescriptor _channel;
    FileDescriptor _wakeRead;
    FileDescriptor _wakeWrite;
    Setup _setup;
    std::thread _reader;
    bool _stopping = false; // under _mutex

    mutable std::mutex _mutex;
    std::condition_variable _changed;
    std::uint64_t _nextId = 0;
    std::unordered_map<std::uint64_t, Pending> _pending;
    std::set<std::pair<std::chrono::steady_clock::time_point, std::uint64_t>> _deadlines;
    std::unordered_map<std::uint64_t, Reply> _finished;
    std::deque<Item> _inbox;
    std::size_t _urgentQueued = 0;
    bool _drainPosted = false;
    bool _closed = false;
    bool _commandsClosed = false;
    std::string _closeReason;

    // Main thread only.
    EventHandler _onEvent;
    ClosedHandler _onClosed;
};

} // namespace PK::Chromium
