#include "ChromiumConnection.hpp"

#include <QB/Debug.hpp>
#include <QB/Runnable.hpp>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <exception>
#include <limits>
#include <system_error>

namespace PK::Chromium {

namespace {

using Clock = std::chrono::steady_clock;

// A single message larger than this means the stream is corrupt (screenshots stay far below).
constexpr std::size_t MaxMessageBytes = std::size_t{512} * 1024 * 1024;

const rapidjson::Value& EmptyObject() {
    static const rapidjson::Value empty(rapidjson::kObjectType);
    return empty;
}

std::string ErrorText(int error) {
    return std::system_category().message(error);
}

// Hands queued items to the main thread; does nothing once the connection is gone.
class DrainTask : public QB::Runnable {
public:
    explicit DrainTask(std::function<void()> drain) : _drain(std::move(drain)) {}
    void Run() override { _drain(); }

private:
    std::function<void()> _drain;
};

} // namespace

const rapidjson::Value& Reply::Result() const {
    if (message != nullptr) {
        if (const rapidjson::Value* result = ObjectMember(*message, "result")) {
            return *result;
        }
    }
    return EmptyObject();
}

const rapidjson::Value& Event::Params() const {
    if (message != nullptr) {
        if (const rapidjson::Value* params = ObjectMember(*message, "params")) {
            return *params;
        }
    }
    return EmptyObject();
}

std::shared_ptr<Connection> Connection::Open(FileDescriptor channel, Setup setup) {
    // Binds the loop to this (the main) thread before the reader posts to it.
    static_cast<void>(QB::MessageLoop::Instance());
    std::shared_ptr<Connection> connection(new Connection(std::move(channel), std::move(setup)));
    connection->_reader = std::thread([raw = connection.get()] { raw->ReadLoop(); });
    return connection;
}

Connection::Connection(FileDescriptor channel, Setup setup)
    : _channel(std::move(channel)), _setup(std::move(setup)) {
    std::array<int, 2> wake{-1, -1};
    if (pipe2(wake.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::system_category(), "cannot make the reader's wake-up pipe");
    }
    _wakeRead = FileDescriptor(wake[0]);
    _wakeWrite = FileDescriptor(wake[1]);
}

Connection::~Connection() {
    Stop();
}

void Connection::SetHandlers(EventHandler onEvent, ClosedHandler onClosed) {
    _onEvent = std::move(onEvent);
    _onClosed = std::move(onClosed);
}

std::uint64_t Connection::Register(std::string_view method, std::string_view sessionId,
                                   std::chrono::milliseconds timeout, ReplyHandler handler, bool kept,
                                   std::string& text, const CommandParams& params) {
    const std::lock_guard lock(_mutex);
    const std::uint64_t id = ++_nextId;
    if (_closed || _commandsClosed) {
        Pending failed{
            std::string(method), std::string(sessionId), Clock::now(), timeout, std::move(handler), kept};
        _pending.emplace(id, std::move(failed));
        CompleteLocked(
            id, Reply{false, false, "the connection to the browser has ended: " + _closeReason, nullptr});
        return id;
    }
    text = ComposeCommand(id, method, sessionId, params);
    text.push_back('\0');
    const auto deadline = Clock::now() + timeout;
    _pending.emplace(id, Pending{std::string(method), std::string(sessionId), deadline, timeout,
                                 std::move(handler), kept});
    _deadlines.emplace(deadline, id);
    if (_deadlines.begin()->second == id) {
        WakeReader(); // the reader sleeps until the earliest deadline, which just moved
    }
    return id;
}

void Connection::Send(std::string_view method, const CommandParams& params, std::string_view sessionId,
                      std::chrono::milliseconds timeout, ReplyHandler handler) {
    std::string text;
    Register(method, sessionId, timeout, std::move(handler), false, text, params);
    if (!text.empty()) {
        Transmit(text);
    }
}

std::uint64_t Connection::SendForWait(std::string_view method, const CommandParams& params,
                                      std::string_view sessionId, std::chrono::milliseconds timeout) {
    std::string text;
    const std::uint64_t id = Register(method, sessionId, timeout, {}, true, text, params);
    if (!text.empty()) {
        Transmit(text);
    }
    return id;
}

void Connection::Transmit(const std::string& text) {
    if (!WriteAll(text)) {
        // A partly written command leaves the stream unusable.
        Close("cannot write to the browser: " + ErrorText(errno));
    }
}

bool Connection::WriteAll(std::string_view data) {
    const auto deadline = Clock::now() + _setup.writeTimeout;
    while (!data.empty()) {
        const ssize_t written = send(_channel.Get(), data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (written > 0) {
            data.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                errno = ETIMEDOUT;
                return false;
            }
            pollfd entry{_channel.Get(), POLLOUT, 0};
            poll(&entry, 1, static_cast<int>(left.count()));
            continue;
        }
        return false;
    }
    return true;
}

Reply Connection::Wait(std::uint64_t id, const std::function<void()>& onUrgent) {
    std::unique_lock lock(_mutex);
    std::size_t urgentSeen = std::numeric_limits<std::size_t>::max();
    for (;;) {
        if (const auto finished = _finished.find(id); finished != _finished.end()) {
            Reply reply = std::move(finished->second);
            _finished.erase(finished);
            return reply;
        }
        if (!_pending.contains(id)) {
            return Reply{false, false, "no such command", nullptr};
        }
        if (onUrgent && _urgentQueued > 0 && _urgentQueued != urgentSeen) {
            lock.unlock();
            onUrgent();
            lock.lock();
            urgentSeen = _urgentQueued;
            continue;
        }
        _changed.wait(lock);
    }
}

std::optional<Event> Connection::TakeUrgentEvent() {
    const std::lock_guard lock(_mutex);
    for (auto it = _inbox.begin(); it != _inbox.end(); ++it) {
        if (it->urgent) {
            Event event = std::move(it->event);
            _inbox.erase(it);
            --_urgentQueued;
            return event;
        }
    }
    return std::nullopt;
}

void Connection::CloseCommands() {
    {
        const std::lock_guard lock(_mutex);
        _commandsClosed = true;
    }
    if (_channel.IsValid()) {
        shutdown(_channel.Get(), SHUT_WR);
    }
}

void Connection::Stop() {
    {
        const std::lock_guard lock(_mutex);
        _stopping = true;
        WakeReader();
    }
    if (_reader.joinable()) {
        _reader.join();
    }
    const std::lock_guard lock(_mutex);
    _inbox.clear();
    _urgentQueued = 0;
}

bool Connection::IsClosed() const {
    const std::lock_guard lock(_mutex);
    return _closed;
}

std::string Connection::GetCloseReason() const {
    const std::lock_guard lock(_mutex);
    return _closeReason;
}

void Connection::WakeReader() {
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing is lost when this write fails.
    [[maybe_unused]] const ssize_t ignored = write(_wakeWrite.Get(), &byte, 1);
}

int Connection::MillisecondsToNextDeadline() {
    const std::lock_guard lock(_mutex);
    if (_deadlines.empty()) {
        return -1;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(_deadlines.begin()->first - Clock::now())
            .count();
    return static_cast<int>(std::clamp<std::int64_t>(left + 1, 0, std::numeric_limits<int>::max()));
}

void Connection::ReadLoop() {
    std::string buffer;
    std::size_t scanned = 0;
    std::array<char, 65536> chunk{};
    try {
        for (;;) {
            std::array<pollfd, 2> entries{{{_channel.Get(), POLLIN, 0}, {_wakeRead.Get(), POLLIN, 0}}};
            const int ready = poll(entries.data(), entries.size(), MillisecondsToNextDeadline());
            if (ready < 0 && errno != EINTR) {
                Close("cannot wait for the browser: " + ErrorText(errno));
                return;
            }
            if ((entries[1].revents & POLLIN) != 0) {
                while (read(_wakeRead.Get(), chunk.data(), chunk.size()) > 0) {
                }
                const std::lock_guard lock(_mutex);
                if (_stopping) {
                    return;
                }
            }
            if ((entries[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                const ssize_t received = recv(_channel.Get(), chunk.data(), chunk.size(), MSG_DONTWAIT);
                if (received == 0) {
                    Close("the browser closed the connection");
                    return;
                }
                if (received < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                    Close("cannot read from the browser: " + ErrorText(errno));
                    return;
                }
                if (received > 0) {
                    buffer.append(chunk.data(), static_cast<std::size_t>(received));
                }
                std::size_t start = 0;
                for (std::size_t end = buffer.find('\0', scanned); end != std::string::npos;
                     end = buffer.find('\0', start)) {
                    HandleMessage(std::string_view(buffer).substr(start, end - start));
                    start = end + 1;
                }
                buffer.erase(0, start);
                scanned = buffer.size();
                if (buffer.size() > MaxMessageBytes) {
                    Close("the browser sent a message of more than 512 MiB");
                    return;
                }
            }
            ExpireDeadlines();
        }
    } catch (const std::exception& e) {
        Close(std::string("the connection's reader failed: ") + e.what());
    } catch (...) {
        Close("the connection's reader failed");
    }
}

void Connection::HandleMessage(std::string_view text) {
    auto message = std::make_shared<rapidjson::Document>();
    message->Parse(text.data(), text.size());
    if (message->HasParseError() || !message->IsObject()) {
        DBPrint("PK: chromium: dropped a message that is not a JSON object\n");
        return;
    }
    const auto id = message->FindMember("id");
    if (id != message->MemberEnd() && id->value.IsUint64()) {
        Reply reply;
        reply.succeeded = !message->HasMember("error");
        if (!reply.succeeded) {
            const rapidjson::Value* error = ObjectMember(*message, "error");
            reply.error =
                error != nullptr ? StringMember(*error, "message", "unknown error") : "unknown error";
        }
        reply.message = std::move(message);
        const std::lock_guard lock(_mutex);
        CompleteLocked(id->value.GetUint64(), std::move(reply));
        return;
    }
    Event event{StringMember(*message, "method"), StringMember(*message, "sessionId"), nullptr};
    event.message = std::move(message);
    const std::lock_guard lock(_mutex);
    if (event.method == "Inspector.targetCrashed") {
        FailSessionLocked(event.sessionId, "the page crashed");
    } else if (event.method == "Target.detachedFromTarget") {
        FailSessionLocked(StringMember(event.Params(), "sessionId"), "the page's session was detached");
    }
    if (_setup.wantedEvents.contains(event.method)) {
        const bool urgent = event.method == _setup.urgentEvent;
        EnqueueLocked(Item{Item::Kind::Event, std::move(event), {}, {}, {}, urgent});
        if (urgent) {
            ++_urgentQueued;
            _changed.notify_all();
        }
    }
}

void Connection::ExpireDeadlines() {
    const std::lock_guard lock(_mutex);
    const auto now = Clock::now();
    while (!_deadlines.empty() && _deadlines.begin()->first <= now) {
        const std::uint64_t id = _deadlines.begin()->second;
        const auto pending = _pending.find(id);
        const std::string why = pending == _pending.end()
                                    ? std::string("no answer in time")
                                    : "no answer to " + pending->second.method + " within " +
                                          std::to_string(pending->second.timeout.count()) + " ms";
        CompleteLocked(id, Reply{false, true, why, nullptr});
    }
}

void Connection::CompleteLocked(std::uint64_t id, Reply reply) {
    const auto pending = _pending.find(id);
    if (pending == _pending.end()) {
        return; // a late reply to a command that already timed out
    }
    _deadlines.erase({pending->second.deadline, id});
    if (pending->second.kept) {
        _finished.emplace(id, std::move(reply));
        _changed.notify_all();
    } else if (pending->second.handler) {
        EnqueueLocked(
            Item{Item::Kind::Reply, {}, std::move(reply), std::move(pending->second.handler), {}, false});
    }
    _pending.erase(pending);
}

void Connection::FailSessionLocked(const std::string& sessionId, const std::string& why) {
    if (sessionId.empty()) {
        return;
    }
    std::vector<std::uint64_t> ids;
    for (const auto& [id, pending] : _pending) {
        if (pending.sessionId == sessionId) {
            ids.push_back(id);
        }
    }
    for (const std::uint64_t id : ids) {
        CompleteLocked(id, Reply{false, false, why, nullptr});
    }
}

void Connection::CloseLocked(const std::string& reason) {
    if (_closed) {
        return;
    }
    _closed = true;
    _closeReason = reason;
    std::vector<std::uint64_t> ids;
    ids.reserve(_pending.size());
    for (const auto& entry : _pending) {
        ids.push_back(entry.first);
    }
    for (const std::uint64_t id : ids) {
        CompleteLocked(id,
                       Reply{false, false, "the connection to the browser has ended: " + reason, nullptr});
    }
    Item closed;
    closed.kind = Item::Kind::Closed;
    closed.reason = reason;
    EnqueueLocked(std::move(closed));
    _changed.notify_all();
}

void Connection::Close(const std::string& reason) {
    const std::lock_guard lock(_mutex);
    CloseLocked(reason);
}

void Connection::EnqueueLocked(Item item) {
    _inbox.push_back(std::move(item));
    if (_drainPosted || _stopping) {
        return;
    }
    _drainPosted = true;
    QB::MessageLoop::Instance().PostFromAnyThread(
        QB::RunnableTask(std::make_shared<DrainTask>([weak = weak_from_this()] {
            if (const std::shared_ptr<Connection> connection = weak.lock()) {
                connection->Drain();
            }
        })));
}

void Connection::Drain() {
    std::size_t count = 0;
    {
        const std::lock_guard lock(_mutex);
        _drainPosted = false;
        count = _inbox.size();
    }
    // One at a time from the shared queue: a handler may wait for a command, and whatever
    // it leaves queued is still handed on in order.
    for (std::size_t i = 0; i < count; ++i) {
        Item item;
        {
            const std::lock_guard lock(_mutex);
            if (_inbox.empty()) {
                return;
            }
            item = std::move(_inbox.front());
            _inbox.pop_front();
            if (item.urgent) {
                --_urgentQueued;
            }
        }
        Dispatch(item);
    }
}

void Connection::Dispatch(Item& item) {
    try {
        switch (item.kind) {
        case Item::Kind::Event:
            if (_onEvent) {
                _onEvent(item.event);
            }
            break;
        case Item::Kind::Reply:
            if (item.handler) {
                item.handler(item.reply);
            }
            break;
        case Item::Kind::Closed:
            if (_onClosed) {
                _onClosed(item.reason);
            }
            break;
        }
    } catch (const std::exception& e) {
        DBPrint(("PK: chromium: a handler failed: " + std::string(e.what()) + "\n").c_str());
    } catch (...) {
        DBPrint("PK: chromium: a handler failed\n");
    }
}

} // namespace PK::Chromium
