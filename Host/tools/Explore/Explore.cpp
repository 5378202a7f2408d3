#include "Explore/Explore.hpp"

#include "ExitCode.hpp"
#include "Explore/Replay.hpp"
#include "Explore/Shrinker.hpp"
#include "Explore/StepJson.hpp"
#include "Explore/WalkFailure.hpp"
#include "Json.hpp"
#include "Page/WebAppData.hpp"
#include "Scenario/ScenarioReader.hpp"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>

namespace VantrelSim::Tool {

namespace {

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

void WriteAll(const std::filesystem::path& file, const std::string& text) {
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream << text;
    if (!stream) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

struct Files {
    std::filesystem::path walk;    // seed-N.scenario.json
    std::filesystem::path shrunk;  // seed-N.shrunk.scenario.json
    std::filesystem::path runDir;  // seed-N/: the walk's transcript, log and project
    std::filesystem::path steps;   // seed-N/walk-steps.txt: the steps that ran, a line each
    std::filesystem::path pending; // seed-N/walk-pending.txt: the step running now
    std::filesystem::path finding; // seed-N/walk-finding.txt: what the walk found
    std::filesystem::path replays; // seed-N.replays/: the shrinker's runs
};

Files FilesOf(const ExploreOptions& options) {
    const std::string stem = fmt::format("seed-{}", options.walk.seed);
    const std::filesystem::path runDir = options.out / stem;
    return Files{options.out / (stem + ".scenario.json"),
                 options.out / (stem + ".shrunk.scenario.json"),
                 runDir,
                 runDir / "walk-steps.txt",
                 runDir / "walk-pending.txt",
                 runDir / "walk-finding.txt",
                 options.out / (stem + ".replays")};
}

std::string ScenarioText(const ExploreOptions& options, const std::string& title,
                         const std::vector<std::string>& steps) {
    std::string text = "{\n  \"format\": \"vantrel-sim-scenario\", \"version\": 1,\n";
    text += "  \"title\": " + JsonQuote(title) + ",\n";
    text +=
        "  \"description\": " +
        JsonQuote(fmt::format("vantrel-sim explore --seed {} --steps {} --users {} --faults {} --checks {}{}",
                              options.walk.seed, options.walk.steps, options.walk.users, options.walk.faults,
                              fmt::join(options.walk.checks, ","),
                              options.walk.plantHalfDisconnects ? " --plant-half-disconnects" : "")) +
        ",\n";
    text += "  \"project\": " + JsonQuote(options.project.string()) + ",\n";
    text += "  \"steps\": [\n";
    for (std::size_t i = 0; i < steps.size(); ++i) {
        text += "    " + steps[i] + (i + 1 < steps.size() ? ",\n" : "\n");
    }
    return text + "  ]\n}\n";
}

// Writes the steps as they run, so that the walk so far outlives a crash of the walk's process.
class JournaledWalk final : public StepSource {
public:
    JournaledWalk(RandomWalk& walk, const Files& files) : _walk(walk), _files(files) {
        WriteAll(_files.steps, "");
    }
    std::optional<Step> Next(const LiveRun& live) override {
        std::optional<Step> step = _walk.Next(live);
        if (step) {
            WriteAll(_files.pending, _walk.StepTexts().back() + "\n");
        }
        return step;
    }
    bool Ran(const Step& step, const StepOutcome& outcome) override {
        const bool more = _walk.Ran(step, outcome);
        std::ofstream(_files.steps, std::ios::binary | std::ios::app) << _walk.StepTexts().back() << "\n";
        std::filesystem::remove(_files.pending);
        return more;
    }
    std::optional<std::size_t> Planned() const override { return _walk.Planned(); }

private:
    RandomWalk& _walk;
    const Files& _files;
};

// The walk itself, in the child process: answers the runner's exit code.
int WalkInChild(const ExploreOptions& options, const Files& files) {
    Scenario scenario;
    scenario.file = files.walk;
    scenario.title = fmt::format("random walk, seed {}", options.walk.seed);
    scenario.project = options.project;
    WebAppData webApp;
    try {
        webApp = WebAppData::Load(options.run.webApp / "data.json");
    } catch (const WebAppDataError& error) {
        fmt::print(stderr, "vantrel-sim: the stand-in web application is not usable: {}\n", error.what());
        return ExitCode::Environment;
    }
    WalkOptions walkOptions = options.walk;
    walkOptions.file = files.walk;
    walkOptions.projectFile = options.project.string();
    RandomWalk walk(walkOptions, webApp);
    JournaledWalk journaled(walk, files);
    RunOptions run = options.run;
    run.outDir = files.runDir;
    run.quiet = true;
    const int code = Runner(scenario, run).Run(journaled);
    std::string finding;
    if (walk.Finding()) {
        finding = fmt::format("{}\n{}\n{}\n", walk.Finding()->step, walk.Finding()->signature,
                              walk.Finding()->failure);
    }
    WriteAll(files.finding, finding);
    std::string notes = fmt::format("corrected {}\n", walk.Corrected());
    for (const std::string& error : walk.WalkErrors()) {
        notes += "walk error: " + error + "\n";
    }
    WriteAll(files.runDir / "walk-notes.txt", notes);
    return code;
}

// "M expectations checked" of the walk's transcript.
std::size_t ExpectationsChecked(const std::filesystem::path& transcript) {
    static const std::regex summary(R"(steps run, (\d+) expectations checked)");
    std::smatch match;
    const std::string text = ReadAll(transcript);
    return std::regex_search(text, match, summary) ? std::stoul(match[1].str()) : 0;
}

// A failure of the run outside its steps (saving the project at the end, say): the first failure
// in the transcript that is not the walk's own foresight.
std::optional<std::string> RunFailure(const std::filesystem::path& transcript) {
    std::istringstream lines(ReadAll(transcript));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t mark = line.find("FAILED: ");
        if (mark == std::string::npos || line.find_first_not_of(' ') != mark) {
            continue;
        }
        const std::string failure = line.substr(mark + 8);
        if (!IsAnswerMismatch(failure) && !IsMeanwhileMissed(failure)) {
            return failure;
        }
    }
    return std::nullopt;
}

} // namespace

int Explore(const ExploreOptions& options) {
    const Files files = FilesOf(options);
    std::filesystem::create_directories(files.runDir);
    for (const auto& file : {files.walk, files.shrunk, files.pending, files.finding}) {
        std::filesystem::remove(file);
    }
    std::filesystem::remove_all(files.replays);
    const auto start = std::chrono::steady_clock::now();

    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    if (child < 0) {
        fmt::print(stderr, "vantrel-sim: cannot start the walk's process\n");
        return ExitCode::Environment;
    }
    if (child == 0) {
        // The run's own terminal output (its summary, the progress of long operations) is the walk's
        // business; the explorer reports.
        const std::string output = (files.runDir / "walk-output.txt").string();
        if (const int file = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644); file >= 0) {
            ::dup2(file, STDOUT_FILENO);
            ::dup2(file, STDERR_FILENO);
            ::close(file);
        }
        int code = ExitCode::Environment;
        try {
            code = WalkInChild(options, files);
        } catch (const std::exception& error) {
            fmt::print(stderr, "vantrel-sim: the walk stopped: {}\n", error.what());
        }
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::size_t checks = ExpectationsChecked(files.runDir / "transcript.txt");
    std::vector<std::string> steps = Lines(ReadAll(files.steps));
    const std::size_t stepsRun = steps.size();
    std::string signature;
    std::string failure;
    std::size_t failedStep = 0;
    if (WIFSIGNALED(status)) {
        // The add-on took the walk's process down: the step that was running is the finding.
        for (const std::string& pending : Lines(ReadAll(files.pending))) {
            steps.push_back(pending);
        }
        signature = std::string(CrashSignature);
        failure = fmt::format("the walk's process was ended by signal {}", WTERMSIG(status));
        failedStep = steps.size();
    } else {
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : ExitCode::Environment;
        const std::vector<std::string> finding = Lines(ReadAll(files.finding));
        if (finding.size() >= 3) {
            failedStep = std::stoul(finding[0]);
            signature = finding[1];
            failure = finding[2];
        } else if (const auto other = code == ExitCode::Failed ? RunFailure(files.runDir / "transcript.txt")
                                                               : std::nullopt) {
            signature = FailureSignature(*other);
            failure = *other;
            failedStep = steps.size();
        } else if (code != ExitCode::Passed && code != ExitCode::Failed) {
            fmt::print(stderr, "vantrel-sim: the walk could not run (exit code {}); see {}\n", code,
                       (files.runDir / "transcript.txt").string());
            return code;
        }
    }
    const auto summary = [&](const std::string& verdict) {
        fmt::print("explore: seed {}: {} steps in {:.1f} s ({:.1f} steps/s), {} checks made, {}\n",
                   options.walk.seed, stepsRun, seconds,
                   seconds > 0 ? static_cast<double>(stepsRun) / seconds : 0.0, checks, verdict);
    };
    if (signature.empty()) {
        summary("no violation");
        return ExitCode::Passed;
    }
    // "holds consistent: " reads as "holds consistent" in titles and summaries.
    const std::string shown =
        signature.ends_with(": ") ? signature.substr(0, signature.size() - 2) : signature;
    const std::string title = fmt::format("random walk, seed {}: {}", options.walk.seed, shown);
    WriteAll(files.walk, ScenarioText(options, title, steps));
    fmt::print("seed {}: step {} failed: {}\n", options.walk.seed, failedStep, failure);
    fmt::print("  the walk: {} ({} steps)\n", files.walk.string(), steps.size());

    // Shrink: every candidate is a scenario replayed in a child process of its own, in the browser
    // the walk ran in (a failure of the web application's own page shows only there).
    const std::string browser = options.run.browser == BrowserChoice::Chromium ? "chromium" : "none";
    std::size_t replay = 0;
    const StillFails stillFails = [&](const std::vector<std::string>& candidate) {
        const std::filesystem::path folder = files.replays / std::to_string(++replay % 2);
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        const std::filesystem::path file = folder / "candidate.scenario.json";
        WriteAll(file, ScenarioText(options, title, candidate));
        return FailedAs(Replay(options.program, file, folder, browser), signature);
    };
    if (!stillFails(steps)) {
        summary("violation: " + shown +
                " (the walk's scenario does not fail again when run alone; not shrunk: " +
                files.walk.string() + ")");
        return ExitCode::Failed;
    }
    const ShrinkResult shrunk = ShrinkSteps(steps, stillFails, ShrinkLimits{});
    WriteAll(files.shrunk, ScenarioText(options, title + " (shrunk)", shrunk.steps));
    std::filesystem::remove_all(files.replays);
    fmt::print("  shrunk: {} ({} of {} steps, {} replays)\n", files.shrunk.string(), shrunk.steps.size(),
               steps.size(), shrunk.tries + 1);
    summary(fmt::format("violation: {} (shrunk from {} to {} steps: {})", shown, steps.size(),
                        shrunk.steps.size(), files.shrunk.string()));
    return ExitCode::Failed;
}

} // namespace VantrelSim::Tool
