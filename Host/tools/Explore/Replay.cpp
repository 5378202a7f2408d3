#include "Explore/Replay.hpp"

#include "Explore/WalkFailure.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace VantrelSim::Tool {

namespace {

std::string ReadFileText(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

} // namespace

ReplayResult Replay(const std::filesystem::path& program, const std::filesystem::path& scenario,
                    const std::filesystem::path& out, const std::string& browser) {
    std::filesystem::create_directories(out);
    const std::filesystem::path stdoutFile = out / "replay-out.txt";
    const std::filesystem::path stderrFile = out / "replay-err.txt";
    std::vector<std::string> line = {program.string(), "run",     scenario.string(), "--browser",
                                     browser,          "--quiet", "--out",           out.string()};
    std::vector<char*> argv;
    for (std::string& argument : line) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderrFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + program.string() + " for a replay");
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    ReplayResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const std::string errors = ReadFileText(stderrFile);
    result.crashed = WIFSIGNALED(status) || errors.find("Sanitizer") != std::string::npos ||
                     errors.find("runtime error: ") != std::string::npos;
    std::istringstream transcript(ReadFileText(out / "transcript.txt"));
    for (std::string text; std::getline(transcript, text);) {
        const std::size_t mark = text.find("FAILED: ");
        if (mark != std::string::npos && text.find_first_not_of(' ') == mark) {
            result.failures.push_back(text.substr(mark + 8));
        }
    }
    return result;
}

bool FailedAs(const ReplayResult& result, const std::string& signature) {
    if (signature == CrashSignature) {
        return result.crashed;
    }
    if (result.exitCode != 1) {
        return false; // not a run that failed: malformed (2), unusable (3) or passed
    }
    for (const std::string& failure : result.failures) {
        if (FailureSignature(failure) == signature) {
            return true;
        }
    }
    return false;
}

} // namespace VantrelSim::Tool
