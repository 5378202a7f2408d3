#include "Run/InspectorChild.hpp"

#include "InspectCommand.hpp"

#include <fmt/format.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ; // NOLINT(readability-redundant-declaration): posix_spawn passes it on

namespace VantrelSim::Tool {

InspectorChild::InspectorChild(std::filesystem::path program, std::filesystem::path errors)
    : _program(std::move(program)), _errors(std::move(errors)) {}

InspectorChild::~InspectorChild() {
    Stop();
}

bool InspectorChild::Start(std::string& error) {
    if (_program.empty()) {
        error = "no vantrel-sim program to run the inspector with";
        return false;
    }
    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) {
        error = std::string("no pipe to the inspector: ") + std::strerror(errno);
        for (const int fd : {input[0], input[1], output[0], output[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, _errors.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    std::string program = _program.string();
    std::string verb = "inspect";
    std::string serve = "--serve";
    std::vector<char*> arguments = {program.data(), verb.data(), serve.data(), nullptr};
    const int spawned = ::posix_spawn(&_pid, program.c_str(), &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    _toChild = input[1];
    _fromChild = output[0];
    if (spawned != 0) {
        _pid = -1;
        error = fmt::format("cannot start {} inspect --serve: {}", program, std::strerror(spawned));
        Stop();
        return false;
    }
    return true;
}

void InspectorChild::Stop() {
    for (int* fd : {&_toChild, &_fromChild}) {
        if (*fd >= 0) {
            ::close(std::exchange(*fd, -1));
        }
    }
    if (_pid > 0) {
        // Its input closed, the child ends by itself; a child that hangs is not waited for forever.
        int status = 0;
        for (int tries = 0; tries < 2000 && ::waitpid(_pid, &status, WNOHANG) == 0; ++tries) {
            if (tries == 1000) {
                ::kill(_pid, SIGKILL);
            }
            ::usleep(1000);
        }
        _pid = -1;
    }
    _pending.clear();
}

std::optional<InspectorChild::Answer> InspectorChild::Inspect(const std::filesystem::path& project,
                                                              std::string& error) {
    if (!_broken.empty()) {
        error = _broken;
        return std::nullopt;
    }
    if (_pid < 0 && !Start(error)) {
        _broken = error;
        return std::nullopt;
    }
    const std::string request = std::filesystem::absolute(project).string() + "\n";
    if (request.find('\n') != request.size() - 1) {
        error = "a project file name with a line break cannot be handed to the inspector";
        return std::nullopt;
    }
    // A child that died must not end this process with SIGPIPE.
    struct sigaction ignore = {};
    struct sigaction previous = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    std::size_t written = 0;
    while (written < request.size()) {
        const ssize_t n = ::write(_toChild, request.data() + written, request.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    ::sigaction(SIGPIPE, &previous, nullptr);
    // The answer ends with "\n<separator><code>\n".
    const std::string separator = std::string("\n") + InspectServeSeparator;
    std::size_t at = std::string::npos;
    std::size_t end = std::string::npos;
    char buffer[65536];
    while (written == request.size()) {
        at = _pending.find(separator);
        if (at != std::string::npos) {
            end = _pending.find('\n', at + separator.size());
            if (end != std::string::npos) {
                break;
            }
        }
        const ssize_t n = ::read(_fromChild, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        _pending.append(buffer, static_cast<std::size_t>(n));
    }
    if (at == std::string::npos || end == std::string::npos) {
        _broken = fmt::format("the inspector ({} inspect --serve) stopped answering; see {}",
                              _program.string(), _errors.string());
        error = _broken;
        Stop();
        return std::nullopt;
    }
    Answer answer;
    answer.json = _pending.substr(0, at);
    const std::string code = _pending.substr(at + separator.size(), end - at - separator.size());
    answer.exitCode = code.size() == 1 && code[0] >= '0' && code[0] <= '9' ? code[0] - '0' : 3;
    _pending.erase(0, end + 1);
    return answer;
}

} // namespace VantrelSim::Tool
