#include "ChromiumProcess.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

extern char** environ; // NOLINT(readability-redundant-declaration): not declared by every libc header

namespace PK::Chromium {

namespace {

// The browser's fixed fds for the DevTools pipe.
constexpr int BrowserReadsFd = 3;
constexpr int BrowserWritesFd = 4;
// Our fds are moved above the ones the child gets, so that a dup2 onto 3 or 4 never meets
// a descriptor that already is 3 or 4 (and would keep its close-on-exec flag).
constexpr int FirstPrivateFd = 10;

std::string StartErrorText(int error) {
    return std::system_category().message(error);
}

int MoveAboveFixedFds(int fd) {
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, FirstPrivateFd);
    const int error = errno;
    close(fd);
    if (moved < 0) {
        throw ChromiumStartError("cannot set up the browser's pipe: " + StartErrorText(error));
    }
    return moved;
}

std::vector<std::string> BrowserArguments(const ChromiumOptions& options,
                                          const std::filesystem::path& profile) {
    std::vector<std::string> arguments{
        options.executable.string(),
        "--headless=new",
        "--no-sandbox", // required when running as root, as hosts in containers do
        "--disable-gpu",
        "--disable-quic",
        "--no-first-run",
        "--no-default-browser-check",
        "--disable-background-networking",
        "--disable-component-update",
        "--disable-sync",
        "--disable-extensions",
        "--mute-audio",
        "--password-store=basic",
        "--remote-debugging-pipe",
        "--user-data-dir=" + profile.string(),
        "--window-size=" + std::to_string(options.viewportWidth) + "," +
            std::to_string(options.viewportHeight),
    };
    arguments.insert(arguments.end(), options.extraArguments.begin(), options.extraArguments.end());
    // Without a start address the browser opens its new-tab page, which reaches out to the network.
    arguments.emplace_back("about:blank");
    return arguments;
}

// The host's environment with the browser's home and XDG folders redirected into `folder`:
// crash dumps, caches and settings otherwise land in the user's home.
std::vector<std::string> BrowserEnvironment(const std::filesystem::path& folder) {
    const std::array<std::pair<std::string_view, std::filesystem::path>, 4> redirected{{
        {"HOME", folder / "home"},
        {"XDG_CONFIG_HOME", folder / "config"},
        {"XDG_CACHE_HOME", folder / "cache"},
        {"XDG_DATA_HOME", folder / "data"},
    }};
    std::vector<std::string> environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        bool replaced = false;
        for (const auto& [name, path] : redirected) {
            replaced =
                replaced || (text.size() > name.size() && text.starts_with(name) && text[name.size()] == '=');
        }
        if (!replaced) {
            environment.emplace_back(text);
        }
    }
    for (const auto& [name, path] : redirected) {
        std::filesystem::create_directories(path);
        environment.push_back(std::string(name) + "=" + path.string());
    }
    return environment;
}

std::vector<char*> PointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// posix_spawn's attribute and file-action objects, released on every path.
struct SpawnSetup {
    posix_spawnattr_t attributes{};
    posix_spawn_file_actions_t actions{};
    SpawnSetup() {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

} // namespace

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        Reset();
        _fd = other.Release();
    }
    return *this;
}

int FileDescriptor::Release() noexcept {
    const int fd = _fd;
    _fd = -1;
    return fd;
}

void FileDescriptor::Reset() noexcept {
    if (_fd >= 0) {
        close(_fd);
        _fd = -1;
    }
}

Process::Process(const ChromiumOptions& options)
    : _executable(options.executable), _exitTimeout(options.exitTimeout) {
    MakeFolders(options);
    try {
        std::array<int, 2> ends{-1, -1};
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends.data()) != 0) {
            throw ChromiumStartError("cannot set up the browser's pipe: " + StartErrorText(errno));
        }
        _channel = FileDescriptor(MoveAboveFixedFds(ends[0]));
        const FileDescriptor childEnd(MoveAboveFixedFds(ends[1]));
        Spawn(options, childEnd.Get());
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(_folder, ignored);
        throw;
    }
}

Process::~Process() {
    _channel.Reset();
    if (_pid > 0 && !_reaped && !WaitForExit(_exitTimeout)) {
        // Its own process group: the browser's helper processes go with it.
        kill(-_pid, SIGKILL);
        Reap(true);
    }
    std::error_code ignored;
    std::filesystem::remove_all(_folder, ignored);
}

void Process::MakeFolders(const ChromiumOptions& options) {
    std::error_code error;
    const std::filesystem::path root =
        options.temporaryRoot.empty() ? std::filesystem::temp_directory_path(error) : options.temporaryRoot;
    std::filesystem::create_directories(root, error);
    std::string pattern = (root / "pk-chromium-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw ChromiumStartError("cannot make the browser's profile folder under " + root.string() + ": " +
                                 StartErrorText(errno));
    }
    _folder = pattern;
    _profile = _folder / "profile";
    std::filesystem::create_directories(_profile, error);
    _outputLog = options.outputLog.empty() ? _folder / "browser-output.log" : options.outputLog;
}

void Process::Spawn(const ChromiumOptions& options, int childChannel) {
    SpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, _outputLog.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&setup.actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, childChannel, BrowserReadsFd);
    posix_spawn_file_actions_adddup2(&setup.actions, childChannel, BrowserWritesFd);
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, BrowserWritesFd + 1);

    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD}) {
        sigaddset(&defaults, signal);
    }
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setpgroup(&setup.attributes, 0);
    posix_spawnattr_setflags(&setup.attributes,
                             POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> arguments = BrowserArguments(options, _profile);
    std::vector<std::string> environment = BrowserEnvironment(_folder);
    std::vector<char*> argv = PointersTo(arguments);
    std::vector<char*> envp = PointersTo(environment);
    const int error =
        posix_spawn(&_pid, _executable.c_str(), &setup.actions, &setup.attributes, argv.data(), envp.data());
    if (error != 0) {
        _pid = -1;
        throw ChromiumStartError("cannot start the browser " + _executable.string() + ": " +
                                 StartErrorText(error));
    }
    _pidFd = FileDescriptor(static_cast<int>(syscall(SYS_pidfd_open, _pid, 0)));
}

FileDescriptor Process::TakeChannel() {
    return std::move(_channel);
}

bool Process::Reap(bool block) {
    if (_reaped || _pid <= 0) {
        return _reaped;
    }
    int status = 0;
    pid_t result = 0;
    do {
        result = waitpid(_pid, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == _pid || (result < 0 && errno == ECHILD)) {
        _reaped = true;
        _status = result == _pid ? status : 0;
        _pidFd.Reset();
    }
    return _reaped;
}

bool Process::WaitForExit(std::chrono::milliseconds timeout) {
    if (Reap(false)) {
        return true;
    }
    if (!_pidFd.IsValid()) {
        return false; // no way to wait with a limit on this system: the caller kills instead
    }
    pollfd entry{_pidFd.Get(), POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int ready = poll(&entry, 1, static_cast<int>(std::max<std::int64_t>(0, left.count())));
        if (ready > 0) {
            return Reap(true);
        }
        if (ready == 0 || errno != EINTR) {
            return Reap(false);
        }
    }
}

std::string Process::DescribeState() {
    if (!Reap(false)) {
        return "is still running";
    }
    if (WIFEXITED(_status)) {
        return "exited with status " + std::to_string(WEXITSTATUS(_status));
    }
    if (WIFSIGNALED(_status)) {
        return "was killed by signal " + std::to_string(WTERMSIG(_status));
    }
    return "has ended";
}

std::string Process::OutputTail(std::size_t maxBytes) const {
    std::ifstream file(_outputLog, std::ios::binary | std::ios::ate);
    if (!file) {
        return {};
    }
    const std::streamoff size = file.tellg();
    const std::streamoff start = std::max<std::streamoff>(0, size - static_cast<std::streamoff>(maxBytes));
    file.seekg(start);
    std::string text(static_cast<std::size_t>(size - start), '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    return text;
}

} // namespace PK::Chromium
