#include "CommandLine.hpp"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <charconv>
#include <limits>

namespace VantrelSim::Tool {

namespace {

template <typename Number>
Number ParseNumber(const std::string& option, const std::string& text, Number low, Number high) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        throw UsageError(fmt::format("{} takes a number from {} to {}, not \"{}\"", option, low, high, text));
    }
    return value;
}

double ParseShare(const std::string& option, const std::string& text) {
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used == text.size() && value >= 0.0 && value <= 1.0) {
            return value;
        }
    } catch (const std::exception&) {
    }
    throw UsageError(fmt::format("{} takes a share from 0 to 1, not \"{}\"", option, text));
}

} // namespace

std::string UsageText() {
    return R"(vantrel-sim: the simulated Vantrel host, with the ArdoTesselConnect add-on loaded from its library

usage:
  vantrel-sim run SCENARIO [options]    carry out a scenario: transcript, add-on log, resulting project
  vantrel-sim shot SCENARIO [options]   the same, with pictures of the palette and the page at the end
                                        and after every step marked "shot"
  vantrel-sim check SCENARIO            read a scenario and its project files, run nothing
  vantrel-sim generate FILE [options]   write a large project file for benchmarks and soak tests
  vantrel-sim inspect PROJECT [--json] [--plan-id ID]
                                        read and check the add-on's data in a project file, for
                                        support; --plan-id: the project's plan id as the page has it
  vantrel-sim serve [PROJECT] [--port N] [--browser chromium|none] [--out DIR]
                                        the sandbox: the add-on live in a web page on 127.0.0.1 (the
                                        demo project by default); every action is a step, and the
                                        steps save as a scenario that run replays
  vantrel-sim inspect --serve           JSON reports of the project files named on standard input,
                                        one a line, each followed by a line "\x1e" and its exit code
                                        (a run's "consistent" check reads projects through it)
  vantrel-sim explore [PROJECT] --seed N --steps M [options]
                                        a seeded random walk over the project (default: the demo
                                        project) until a check fails; the walk and its shrunk form
                                        are written as scenarios
  vantrel-sim --help | --version

options of run and shot:
  --out DIR          where everything goes (default: out/<scenario name>, below the current folder)
  --browser WHICH    chromium: the stand-in web application in headless Chromium (the default when
                     Chromium is installed); none: the simulator makes the page's calls itself
  --shots DIR        (run) pictures into DIR, as shot does (shot: default <out>/shots)
  --addon FILE       the add-on library (default: the one built with this program)
  --webapp DIR       the stand-in web application (default: WebApp of the source tree)
  --chromium FILE    the browser (default: /usr/lib/chromium/chromium)
  --quiet            only the summary on the terminal; the transcript file is complete

options of serve: --port N (default: a free port), --out DIR (default: out/sandbox), --browser,
  --addon, --webapp, --chromium and --quiet as for run

options of explore:
  --seed N           the walk's seed (default 1): the same seed and program make the same walk
  --steps M          steps at most (default 30)
  --users K          other users of the shared project (default 1; 0: none)
  --faults RATE      the chance (0 to 1) that a host function fails during a step (default 0)
  --time SECONDS     stop after that long
  --out DIR          seed-N.scenario.json, seed-N.shrunk.scenario.json and the walk's run folder
                     seed-N/ (default: out/explore)
  --browser WHICH    none (the default) or chromium; --addon, --webapp, --chromium as for run
  --checks LIST      the checks every step is held to, separated by commas (default: all of them)
  --plant-half-disconnects  other users' disconnects arrive half-done: the connection's record
                     erased, its property group left (a planted fault, for testing the walk)

options of generate:
  --elements N --stories N --layers N --hotlinks N --items N (classification items) --seed N
  --hotlinked SHARE --hierarchical SHARE --sections SHARE --classified SHARE (0 to 1)

Steps ("do"): openProject newProject saveProject reopenProject closeProject select changeWindow
changeStory createElement deleteElements setLayer lockElements setProperty addClassificationItem
shareProject reserve release receiveChanges sendChanges undo redo menu paletteMessage click choosePopUp
clickRow doubleClickRow resize closePalette rollPanel page check hostFault clearHostFaults quitHost
startHost restartHost. Page actions ("action"): connect open associate removeAssociation updateClause
listTypes selectInstances disconnect rename offline online getAllState call navigate script. Every
step may carry "note", "answers", "expect", "shot", "faults" and "meanwhile".
The README's section for users of the simulator describes the scenario and project file formats.

exit codes: 0 passed, 1 an expectation failed or a step could not be done, 2 malformed command line,
scenario or project file, 3 the add-on, the browser or the output folder is not usable.
inspect: 0 no findings, 1 findings, 2 malformed command line or project file, 3 inspector not usable.
)";
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, const RunOptions& defaults) {
    CommandLine line;
    line.run = defaults;
    if (arguments.empty()) {
        throw UsageError(
            "say what to do: run, shot, check, generate, inspect, serve or explore (see --help)");
    }
    const std::string& verb = arguments.front();
    if (verb == "--help" || verb == "-h" || verb == "help") {
        line.command = Command::Help;
        return line;
    }
    if (verb == "--version") {
        line.command = Command::Version;
        return line;
    }
    if (verb == "run") {
        line.command = Command::Run;
    } else if (verb == "shot") {
        line.command = Command::Shot;
    } else if (verb == "check") {
        line.command = Command::Check;
    } else if (verb == "generate") {
        line.command = Command::Generate;
    } else if (verb == "inspect") {
        line.command = Command::Inspect;
    } else if (verb == "serve") {
        line.command = Command::Serve;
    } else if (verb == "explore") {
        line.command = Command::Explore;
        line.run.browser = BrowserChoice::None;
    } else {
        throw UsageError(fmt::format(
            "\"{}\" is not a command: run, shot, check, generate, inspect, serve or explore (see --help)",
            verb));
    }
    const bool serves = line.command == Command::Serve;
    const bool explores = line.command == Command::Explore;
    const bool runs = line.command == Command::Run || line.command == Command::Shot || serves || explores;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            line.command = Command::Help;
            return line;
        }
        if (!argument.starts_with("--")) {
            if (!line.file.empty()) {
                throw UsageError(
                    fmt::format("one file only: \"{}\" and \"{}\"", line.file.string(), argument));
            }
            line.file = argument;
            continue;
        }
        if (argument == "--serve") {
            if (line.command != Command::Inspect) {
                throw UsageError(fmt::format("--serve is not an option of {} (see --help)", verb));
            }
            line.serve = true;
            continue;
        }
        if (argument == "--json") {
            if (line.command != Command::Inspect) {
                throw UsageError(fmt::format("--json is not an option of {} (see --help)", verb));
            }
            line.json = true;
            continue;
        }
        if (argument == "--plant-half-disconnects") {
            if (!explores) {
                throw UsageError(fmt::format("{} is not an option of {} (see --help)", argument, verb));
            }
            line.walk.plantHalfDisconnects = true;
            continue;
        }
        if (argument == "--quiet") {
            if (!runs) {
                throw UsageError(fmt::format("--quiet is not an option of {} (see --help)", verb));
            }
            line.run.quiet = true;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            throw UsageError(fmt::format("{} needs a value", argument));
        }
        const std::string& value = arguments[++i];
        if (runs && argument == "--out") {
            line.run.outDir = value;
            line.outGiven = true;
        } else if (runs && argument == "--browser") {
            if (value != "chromium" && value != "none") {
                throw UsageError(fmt::format("--browser is chromium or none, not \"{}\"", value));
            }
            line.run.browser = value == "chromium" ? BrowserChoice::Chromium : BrowserChoice::None;
        } else if (serves && argument == "--port") {
            line.port = ParseNumber<int>(argument, value, 0, 65535);
        } else if (explores && argument == "--seed") {
            line.walk.seed =
                ParseNumber<std::uint64_t>(argument, value, 0, std::numeric_limits<std::uint64_t>::max());
        } else if (explores && argument == "--steps") {
            line.walk.steps = ParseNumber<std::size_t>(argument, value, 1, 1'000'000);
        } else if (explores && argument == "--users") {
            line.walk.users = ParseNumber<unsigned>(argument, value, 0, 20);
        } else if (explores && argument == "--faults") {
            line.walk.faults = ParseShare(argument, value);
        } else if (explores && argument == "--checks") {
            line.walk.checks.clear();
            for (std::size_t from = 0; from <= value.size();) {
                const std::size_t comma = std::min(value.find(',', from), value.size());
                const std::string name = value.substr(from, comma - from);
                if (std::find(std::begin(InvariantNames), std::end(InvariantNames), name) ==
                    std::end(InvariantNames)) {
                    throw UsageError(fmt::format("--checks takes names of checks ({}), not \"{}\"",
                                                 fmt::join(InvariantNames, ", "), name));
                }
                line.walk.checks.push_back(name);
                from = comma + 1;
            }
        } else if (explores && argument == "--time") {
            line.walk.seconds = ParseNumber<unsigned>(argument, value, 1, 7 * 24 * 3600);
        } else if (runs && !serves && !explores && argument == "--shots") {
            line.run.shots = value;
        } else if (runs && argument == "--addon") {
            line.run.addon = value;
        } else if (runs && argument == "--webapp") {
            line.run.webApp = value;
        } else if (runs && argument == "--chromium") {
            line.run.chromium = value;
        } else if (line.command == Command::Generate && argument == "--elements") {
            line.generate.elements = ParseNumber<std::size_t>(argument, value, 1, 10'000'000);
        } else if (line.command == Command::Generate && argument == "--stories") {
            line.generate.stories = ParseNumber<QB::Int16>(argument, value, 1, 500);
        } else if (line.command == Command::Generate && argument == "--layers") {
            line.generate.layers = ParseNumber<QB::Int32>(argument, value, 1, 10'000);
        } else if (line.command == Command::Generate && argument == "--hotlinks") {
            line.generate.hotlinks = ParseNumber<std::size_t>(argument, value, 0, 10'000);
        } else if (line.command == Command::Generate && argument == "--items") {
            line.generate.classificationItems = ParseNumber<std::size_t>(argument, value, 1, 1'000'000);
        } else if (line.command == Command::Generate && argument == "--seed") {
            line.generate.seed =
                ParseNumber<std::uint32_t>(argument, value, 0, std::numeric_limits<std::uint32_t>::max());
        } else if (line.command == Command::Generate && argument == "--hotlinked") {
            line.generate.hotlinkedShare = ParseShare(argument, value);
        } else if (line.command == Command::Generate && argument == "--hierarchical") {
            line.generate.hierarchicalShare = ParseShare(argument, value);
        } else if (line.command == Command::Generate && argument == "--sections") {
            line.generate.sectionElementShare = ParseShare(argument, value);
        } else if (line.command == Command::Generate && argument == "--classified") {
            line.generate.classifiedShare = ParseShare(argument, value);
        } else if (line.command == Command::Inspect && argument == "--plan-id") {
            line.planId = value;
        } else {
            throw UsageError(fmt::format("{} is not an option of {} (see --help)", argument, verb));
        }
    }
    if (line.serve && !line.file.empty()) {
        throw UsageError("inspect --serve reads the project files from standard input, not \"" +
                         line.file.string() + "\"");
    }
    if (line.file.empty() && !line.serve && !serves && !explores) {
        throw UsageError(line.command == Command::Generate  ? "name the project file to write"
                         : line.command == Command::Inspect ? "name the project file to inspect"
                                                            : "name the scenario file");
    }
    return line;
}

} // namespace VantrelSim::Tool
