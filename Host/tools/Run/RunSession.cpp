#include "Run/RunSession.hpp"

#include "ExitCode.hpp"
#include "Expect/Expectations.hpp"
#include "Expect/ProjectForm.hpp"
#include "Page/ChromiumPage.hpp"
#include "Page/SimulatedPage.hpp"
#include "Run/StepFailure.hpp"
#include "Scenario/ScenarioProjects.hpp"
#include "Scenario/ScenarioReader.hpp"

#include <VantrelSim/HostErrorName.hpp>
#include <VantrelSim/ProjectFile.hpp>

#include <PK/InteractionRecord.hpp>
#include <PK/Responder.hpp>

#include <QB/Pref.hpp>
#include <QB/Runnable.hpp>

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace VantrelSim::Tool {

namespace {

// The run cannot go on for a reason outside the scenario (exit code Environment).
class EnvironmentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A step failed; the steps after it are not run.
struct StopRun {};

constexpr const char* PreferenceSection = "ArdoTesselConnect";
constexpr const char* AddonLogName = "ArdoTesselConnect.log";

QB::Int32 PreferenceDomain(const std::string& key) {
    if (key.starts_with("log.")) {
        return QBPref::MachineDomain;
    }
    return key == "userId" ? QBPref::UserDomain : QBPref::DefaultDomain;
}

std::string ErrorName(VNAPI_ErrCode code) {
    return code == NoError ? std::string("passed") : "answered " + DescribeHostError(code);
}

std::string StartFailure(const AddonStartResult& started) {
    return fmt::format("table {}, environment check {}, registration {}, initialisation {}",
                       ErrorName(started.tableResult),
                       started.addonType == APIAddon_Normal ? "passed" : "refused",
                       ErrorName(started.registrationResult), ErrorName(started.initializationResult));
}

} // namespace

RunSession::RunSession(const Scenario& scenario, RunOptions options)
    : _scenario(scenario), _options(std::move(options)), _responder(std::make_shared<ScenarioResponder>()) {}

RunSession::~RunSession() {
    // The add-on goes first: its browser reports to the traffic and its logger to the capture.
    _loader.reset();
    _inspector.reset();
    PK::SetBrowserBackendFactory({});
    PK::SetUserResponder(nullptr);
    QB::MessageLoop::Instance().DiscardPending();
}

int RunSession::Run(StepSource& source) {
    try {
        LoadProjects();
    } catch (const ScenarioError& error) {
        fmt::print(stderr, "vantrel-sim: {}\n", error.what());
        return ExitCode::BadInput;
    }
    try {
        PrepareOutput();
        ChoosePage();
        WritePreferences();
        StartHost();
    } catch (const std::exception& error) {
        fmt::print(stderr, "vantrel-sim: {}\n", error.what());
        if (_transcript) {
            _transcript->Line(std::string("cannot run: ") + error.what());
        }
        return ExitCode::Environment;
    }
    RunSteps(source);
    try {
        Finish(source.Planned());
    } catch (const std::exception& error) {
        Fail(std::string("finishing the run: ") + error.what());
    }
    if (_environmentFailed) {
        return ExitCode::Environment;
    }
    return _failures.empty() ? ExitCode::Passed : ExitCode::Failed;
}

// ---- Setting up ------------------------------------------------------------------------------

void RunSession::LoadProjects() {
    _projects = LoadScenarioProjects(_scenario);
}

void RunSession::PrepareOutput() {
    const std::filesystem::path& out = _options.outDir;
    std::filesystem::create_directories(out);
    // Only what earlier runs of this scenario left: files the simulator itself writes.
    for (const char* folder : {"preferences", "appdata", "chromium"}) {
        std::filesystem::remove_all(out / folder);
    }
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && (name.starts_with(AddonLogName) || name == "host-debug-output.txt" ||
                                        name == "chromium-output.txt" || name.ends_with(".project.json"))) {
            std::filesystem::remove(entry.path());
        }
    }
    _transcript = std::make_unique<Transcript>(out / "transcript.txt", !_options.quiet);
    _transcript->Line(fmt::format("scenario: {}{}", _scenario.file.string(),
                                  _scenario.title.empty() ? "" : " - " + _scenario.title));
    if (!_scenario.description.empty()) {
        _transcript->Block(_scenario.description, 2);
    }
    try {
        _webApp = WebAppData::Load(_options.webApp / "data.json");
    } catch (const WebAppDataError& error) {
        throw EnvironmentError(std::string("the stand-in web application is not usable: ") + error.what());
    }
}

void RunSession::ChoosePage() {
    BrowserChoice choice = _options.browser;
    if (choice == BrowserChoice::Default) {
        choice = std::filesystem::exists(_options.chromium) ? BrowserChoice::Chromium : BrowserChoice::None;
    }
    if (choice == BrowserChoice::None) {
        _page = std::make_unique<SimulatedPage>(_traffic, _webApp, _options.otherSite);
        _browserName = "none";
    } else {
        if (!std::filesystem::exists(_options.chromium)) {
            throw EnvironmentError(
                fmt::format("no Chromium at {} (install it with scripts/setup.sh, name another "
                            "with --chromium, or run with --browser none)",
                            _options.chromium.string()));
        }
        PK::ChromiumOptions chromium;
        chromium.executable = _options.chromium;
        chromium.temporaryRoot = _options.outDir / "chromium";
        chromium.outputLog = _options.outDir / "chromium-output.txt";
        chromium.viewportWidth = 1100;
        chromium.viewportHeight = 820;
        std::filesystem::create_directories(chromium.temporaryRoot);
        _page = std::make_unique<ChromiumPage>(_traffic, _webApp, _options.webApp, std::move(chromium), true,
                                               _options.otherSite);
        _browserName = "chromium";
    }
    _transcript->Line("browser: " + _page->Describe());
}

void RunSession::WritePreferences() {
    const std::filesystem::path& out = _options.outDir;
    // The add-on's special folders and preferences stay inside the run's folder.
    const std::filesystem::path appData = std::filesystem::absolute(out / "appdata");
    std::filesystem::create_directories(appData);
    ::setenv("QB_APPDATA_DIR", appData.c_str(), 1);
    QBPref::SetDirectory(std::filesystem::absolute(out / "preferences"));

    std::map<std::string, std::string> values = {
        {"log.level", "trace"},
        {"log.path", std::filesystem::absolute(out / AddonLogName).string()},
        {"tessel.url", _page->HomeURL()},
    };
    for (const Preference& preference : _scenario.preferences) {
        values[preference.key] = preference.value;
    }
    if (_browserName == "chromium" && !_webApp.Users().empty() &&
        (values["tessel.username"].empty() || values["tessel.password"].empty())) {
        // The web application asks for a login; its first user is the add-on's quick login.
        values["tessel.username"] = _webApp.Users().front().email;
        values["tessel.password"] = _webApp.Users().front().password;
    }
    for (const auto& [key, value] : values) {
        if (value.empty()) {
            continue;
        }
        const QB::ErrCode result =
            QBPref::GetRootKey(PreferenceDomain(key)).SetString(PreferenceSection, QB::UniString(key), value);
        if (result != QB::NoError) {
            throw EnvironmentError(fmt::format("cannot store the preference \"{}\" in {}", key,
                                               QBPref::GetDirectory().string()));
        }
        const bool secret = key == "tessel.password";
        _transcript->Line(fmt::format("preference {} = {}", key, secret ? std::string("(set)") : value), 2);
    }
}

void RunSession::StartHost() {
    _debug = std::make_unique<DebugCapture>(_options.outDir / "host-debug-output.txt");
    _addonLog = std::make_unique<AddonLogFile>(_options.outDir / AddonLogName);
    _host.Faults().SetListener([this](const FiredFault& fault) {
        _debug->Note(fmt::format("host fault: {} answered {}", HostFunctionName(fault.function),
                                 DescribeHostError(fault.code)));
    });
    _host.SetCallListener([this](HostFunction function) {
        for (ArmedMeanwhile& armed : _meanwhile) {
            if (armed.landed || armed.what->before != function || ++armed.seen != armed.what->call) {
                continue;
            }
            armed.landed = true;
            _debug->Note(fmt::format("user {} acts before call {} of {}", armed.what->user, armed.what->call,
                                     HostFunctionName(function)));
            // A failure must not escape into the host function: the step reports it afterwards.
            try {
                const bool formed = _formAtCommands && _host.HasProject();
                std::string formBefore = formed ? StoredForm(_host.GetProject()) : std::string();
                _host.AsOtherUser(armed.what->user, [&] {
                    for (const OtherUserChange& change : armed.what->changes) {
                        ApplyOtherUserChange(_host.GetProject(), change, armed.what->user);
                    }
                });
                if (formed) {
                    _landedForms.push_back(
                        {_atCommands.size(), std::move(formBefore), StoredForm(_host.GetProject())});
                }
            } catch (const std::exception& error) {
                _meanwhileProblems.push_back(fmt::format("the changes of user {} before {}: {}",
                                                         armed.what->user, HostFunctionName(function),
                                                         error.what()));
            }
        }
    });
    _host.SetCommandListener([this](const QB::UniString&, bool undoable) {
        if (_formAtCommands) {
            _atCommands.push_back(
                undoable && _host.HasProject()
                    ? std::optional(std::pair(StoredForm(_host.GetProject()), ModelForm(_host.GetProject())))
                    : std::nullopt);
        }
    });
    QB::MessageLoop::Instance().DiscardPending();
    PK::InteractionRecord::Instance().Clear();
    PK::SetUserResponder(_responder);
    _traffic.SetDialogAnswerer(
        [responder = _responder](const PK::JSDialog& dialog) { return responder->AnswerPageDialog(dialog); });
    PK::SetBrowserBackendFactory(MakeRecordingFactory(
        [this](const PK::BrowserSettings& settings) { return _page->MakeEngine(settings); }, _traffic));
    _progress = std::make_unique<ProgressBar>(stderr, ::isatty(STDERR_FILENO) != 0);
    _host.SetProgressListener([this](ProgressChange change, const ProgressState& state) {
        // Quiet runs keep the terminal to the summary; the transcript still notes each window.
        if (!_options.quiet) {
            _progress->Show(change, state);
        }
        if (change == ProgressChange::Closed) {
            _progressNotes.push_back(fmt::format("progress window \"{}\": {} of {} steps",
                                                 state.title.ToUtf8(), state.steps, state.phases));
        }
    });

    _host.NewProject();
    _loader = std::make_unique<AddonLoader>(_host);
    const StepMarks marks = Mark();
    if (std::string why; !StartAddon(why)) {
        throw EnvironmentError(fmt::format("the add-on {} did not start: {}", _options.addon.string(), why));
    }
    if (!_scenario.project.empty()) {
        // The host takes the project over, so that a large one is not held twice; a later step
        // that opens the same file reads it again.
        Project project = std::move(_projects.at(_scenario.project));
        _projects.erase(_scenario.project);
        if (project.name.IsEmpty()) {
            project.name = QB::UniString(_scenario.project.filename().string());
        }
        project.path = QB::UniString(_scenario.project.string());
        Act([&] { _host.OpenProject(std::move(project)); });
        _transcript->Line(fmt::format("project: {} ({} elements)", _scenario.project.string(),
                                      _host.GetProject().ElementCount()));
    }
    Settle();
    if (_scenario.startup) {
        _transcript->Line("");
        _transcript->Line("start-up");
        const StepRecord record = Gather(marks);
        Report(record, marks);
        CheckAll("start-up", *_scenario.startup, record);
    }
    TakeEarlierValues(_scenario, 0, _host, *_page, _earlier);
}

bool RunSession::StartAddon(std::string& why) {
    AddonStartResult started;
    try {
        started = _loader->Start(_options.addon);
    } catch (const AddonLoadError& error) {
        throw EnvironmentError(error.what());
    }
    if (!started.Started()) {
        why = StartFailure(started);
        // The host lets go of an add-on that did not start; one that was initialised is released.
        if (started.registrationResult == NoError && started.addonType == APIAddon_Normal) {
            _loader->FreeData();
        }
        _loader->Unload();
        _addonRunning = false;
        _notRunningWhy = "the add-on did not start: " + why;
        return false;
    }
    _addonRunning = true;
    _notRunningWhy.clear();
    _transcript->Line(fmt::format("add-on: {} ({})", _loader->LibraryPath().string(),
                                  _loader->Environment().addOnInfo.name.ToUtf8()),
                      _stepsRun > 0 ? 2 : 0);
    return true;
}

void RunSession::QuitHost() {
    if (!_addonRunning) {
        throw StepFailure("the host is not running: " + _notRunningWhy);
    }
    _quitProject.reset();
    if (_host.HasProject()) {
        const std::filesystem::path file = ProjectOutput(_scenario.Stem() + ".at-quit.project.json");
        Act([&] { _host.SaveProject(); });
        SaveProjectFile(_host.GetProject(), file);
        _projects.erase(file);
        _quitProject = file;
        _transcript->Line("saved to " + file.string(), 2);
    }
    Act([&] { _host.Quit(); });
    const VNAPI_ErrCode released = _loader->FreeData();
    _loader->Unload();
    _addonRunning = false;
    _notRunningWhy = "it quit (\"do\": \"startHost\" starts it again)";
    _transcript->Line(
        fmt::format("the host quit: the add-on's release {}, the add-on unloaded", ErrorName(released)), 2);
}

void RunSession::StartHostAgain(const Step& step) {
    if (_addonRunning) {
        throw StepFailure("the host is running already (\"do\": \"quitHost\" quits it)");
    }
    Act([&] { _host.NewProject(); });
    std::string why;
    if (!StartAddon(why)) {
        _transcript->Line("the add-on did not start: " + why, 2);
        if (!step.expect.addonRunning) {
            throw StepFailure("the add-on did not start: " + why);
        }
        return;
    }
    if (_quitProject) {
        Project project = LoadProjectFile(*_quitProject);
        project.path = QB::UniString(_quitProject->string());
        Act([&] { _host.OpenProject(std::move(project)); });
        _transcript->Line("opened " + _quitProject->string() + " again", 2);
    }
}

std::filesystem::path RunSession::ProjectOutput(const std::string& file) const {
    return _options.outDir / (file.empty() ? _scenario.Stem() + ".project.json" : file);
}

// ---- Steps -----------------------------------------------------------------------------------

StepMarks RunSession::Mark() const {
    StepMarks marks;
    marks.traffic = _traffic.Size();
    marks.commands = _host.Commands().size();
    marks.alerts = PK::InteractionRecord::Instance().GetAlerts().size();
    marks.dialogs = PK::InteractionRecord::Instance().GetDialogs().size();
    marks.zooms = _host.Zooms().size();
    marks.reports = _host.Reports().size();
    marks.logLines = _debug->LineCount();
    marks.addonLog = _addonLog->Mark();
    marks.calls.resize(HostFunctionCount);
    for (std::size_t i = 0; i < HostFunctionCount; ++i) {
        marks.calls[i] = _host.CallCount(static_cast<HostFunction>(i));
    }
    marks.start = std::chrono::steady_clock::now();
    if (_host.HasProject()) {
        marks.selection = _host.SelectedElements();
    }
    return marks;
}

StepRecord RunSession::Gather(const StepMarks& marks) const {
    const auto tail = [](const auto& all, std::size_t from) {
        using Item = typename std::decay_t<decltype(all)>::value_type;
        return from < all.size()
                   ? std::vector<Item>(all.begin() + static_cast<std::ptrdiff_t>(from), all.end())
                   : std::vector<Item>();
    };
    StepRecord record;
    record.traffic = _traffic.Since(marks.traffic);
    record.commands = tail(_host.Commands(), marks.commands);
    record.alerts = tail(PK::InteractionRecord::Instance().GetAlerts(), marks.alerts);
    record.dialogs = tail(PK::InteractionRecord::Instance().GetDialogs(), marks.dialogs);
    record.zooms = tail(_host.Zooms(), marks.zooms);
    record.reports = tail(_host.Reports(), marks.reports);
    record.logLines = _debug->LinesSince(marks.logLines);
    record.addonLog = _addonLog->Since(marks.addonLog);
    for (std::size_t i = 0; i < HostFunctionCount && i < marks.calls.size(); ++i) {
        const std::size_t calls = _host.CallCount(static_cast<HostFunction>(i)) - marks.calls[i];
        if (calls > 0) {
            record.calls.emplace_back(static_cast<HostFunction>(i), calls);
            record.callTotal += calls;
        }
    }
    std::stable_sort(record.calls.begin(), record.calls.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    record.elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - marks.start);
    return record;
}

void RunSession::Settle() {
    for (int round = 0; round < 200; ++round) {
        const QB::USize ran = _loader->DrainMessageLoop();
        const bool pumped = _page->Pump();
        if (ran == 0 && !pumped) {
            return;
        }
    }
    throw StepFailure("the add-on and its page did not come to rest (200 rounds of work)");
}

void RunSession::Fail(const std::string& text) {
    _failures.push_back(text);
    if (_transcript) {
        _transcript->Line("FAILED: " + text, 2);
    }
}

LiveRun RunSession::Live() {
    return LiveRun{_host, _palette, *_page, _webApp, _addonRunning, _stepsRun, [this] { Settle(); }};
}

void RunSession::RunSteps(StepSource& source) {
    while (std::optional<Step> step = source.Next(Live())) {
        const std::size_t failuresBefore = _failures.size();
        StepOutcome outcome;
        try {
            RunStep(*step);
        } catch (const StopRun&) {
            outcome.stopped = true;
        }
        outcome.failures.assign(_failures.begin() + static_cast<std::ptrdiff_t>(failuresBefore),
                                _failures.end());
        if (!source.Ran(*step, outcome)) {
            if (outcome.stopped) {
                _transcript->Line("");
                _transcript->Line("the steps after this one were not run");
            }
            return;
        }
    }
}

void RunSession::RunStep(const Step& step) {
    const std::string label = StepLabel(step);
    _transcript->Line("");
    _transcript->Line(step.note.empty() ? label : label + ": " + step.note);
    ++_stepsRun;
    const StepMarks marks = Mark();
    _responder->SetAnswers(step.answers);
    std::optional<std::string> failure;
    HoldsBefore holdsBefore;
    try {
        if (!step.expect.holds.empty()) {
            holdsBefore = TakeHoldsBefore(step);
        }
        ArmStep(step);
        Perform(step);
        Settle();
    } catch (const StepFailure& error) {
        failure = error.what();
    } catch (const std::exception& error) {
        failure = std::string("the host refused: ") + error.what();
    }
    DisarmStep(step, failure);
    const StepRecord record = Gather(marks);
    Report(record, marks);
    for (const std::string& problem : _responder->TakeProblems()) {
        Fail(label + ": " + problem);
    }
    if (const std::string trouble = _page->StartError(); !trouble.empty()) {
        _environmentFailed = true;
        failure = fmt::format("the browser did not start ({}); --browser none runs without one", trouble);
    }
    if (failure) {
        Fail(label + ": " + *failure);
        throw StopRun{};
    }
    CheckAll(label, step.expect, record);
    if (!step.expect.holds.empty()) {
        CheckHolds(label, step, holdsBefore, record);
    }
    TakeEarlierValues(_scenario, step.number, _host, *_page, _earlier);
    if (_options.shots && step.shot) {
        TakeShots(fmt::format("step-{:02}", step.number));
    }
}

void RunSession::CheckAll(const std::string& label, const Expectations& expect, const StepRecord& record) {
    const ExpectationResults results = CheckExpectations(
        expect, ExpectationContext{_host, _palette, record, *_page, _addonRunning, &_earlier});
    _checks += results.checks;
    for (const std::string& text : results.failures) {
        Fail(label + ": " + text);
    }
    if (results.checks > 0 && results.failures.empty()) {
        _transcript->Line(
            fmt::format("ok: {} expectation{} held", results.checks, results.checks == 1 ? "" : "s"), 2);
    }
}

void RunSession::ArmStep(const Step& step) {
    for (const HostFaultSpec& spec : step.faults) {
        _host.Faults().Add(MakeFault(spec, step.number));
        _transcript->Line(fmt::format("during this step {} answers {}{}{}", HostFunctionName(spec.function),
                                      DescribeHostError(spec.code),
                                      spec.call    ? fmt::format(" at its call {}", *spec.call)
                                      : spec.calls ? fmt::format(" for {} call(s)", *spec.calls)
                                                   : std::string(),
                                      spec.element.empty() ? "" : " about " + spec.element),
                          2);
    }
    _meanwhileProblems.clear();
    _meanwhile.clear();
    _received.reset();
    for (const Meanwhile& meanwhile : step.meanwhile) {
        if (!_host.HasProject()) {
            throw StepFailure("no project is open for other users to change");
        }
        _meanwhile.push_back({&meanwhile, 0, false});
    }
}

void RunSession::DisarmStep(const Step& step, std::optional<std::string>& failure) {
    _host.Faults().ClearTagged(step.number);
    for (const ArmedMeanwhile& armed : std::exchange(_meanwhile, {})) {
        if (!armed.landed && !failure) {
            failure =
                fmt::format("the add-on made {} call{} of {}, so the changes of user {} meant for call {} "
                            "did not land",
                            armed.seen, armed.seen == 1 ? "" : "s", HostFunctionName(armed.what->before),
                            armed.what->user, armed.what->call);
        }
    }
    for (const std::string& problem : std::exchange(_meanwhileProblems, {})) {
        if (!failure) {
            failure = problem;
        }
    }
}

// ---- Finishing -------------------------------------------------------------------------------

void RunSession::Finish(std::optional<std::size_t> planned) {
    _transcript->Line("");
    // The summary also reaches a quiet terminal.
    const auto summary = [this](const std::string& line, int indent = 0) {
        _transcript->Line(line, indent);
        if (!_transcript->Echoes()) {
            _transcript->Terminal(std::string(static_cast<std::size_t>(indent), ' ') + line);
        }
    };
    if (_host.HasProject()) {
        const std::filesystem::path file = ProjectOutput("");
        Act([&] { _host.SaveProject(); });
        SaveProjectFile(_host.GetProject(), file);
        const Project saved = LoadProjectFile(file);
        std::string records;
        for (const auto& [name, record] : saved.modulData) {
            records += (records.empty() ? "" : ", ") + name.ToUtf8();
        }
        summary(fmt::format("saved project: {} ({} elements; module data: {})", file.string(),
                            saved.ElementCount(), records.empty() ? "none" : records));
    }
    if (_options.shots) {
        TakeShots("final");
    }
    if (_loader && _addonRunning) {
        _loader->FreeData();
        _loader->Unload();
        _addonRunning = false;
    }
    summary(fmt::format("add-on log: {}", (_options.outDir / AddonLogName).string()));
    summary(fmt::format("host debug output: {}", (_options.outDir / "host-debug-output.txt").string()));
    summary(fmt::format("transcript: {}", (_options.outDir / "transcript.txt").string()));
    if (_options.shots) {
        summary(fmt::format("pictures: {} in {}", _shots, _options.shots->string()));
    }
    summary(fmt::format("browser: {}", _browserName));
    summary(fmt::format("{} steps run, {} expectations checked, {} failure{}",
                        planned ? fmt::format("{} of {}", _stepsRun, *planned) : std::to_string(_stepsRun),
                        _checks, _failures.size(), _failures.size() == 1 ? "" : "s"));
    for (const std::string& failure : _failures) {
        summary("FAILED: " + failure, 2);
    }
    summary(_failures.empty() ? "PASSED" : "FAILED");
}

} // namespace VantrelSim::Tool
