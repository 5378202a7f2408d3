#pragma once

// The inside of a run (Runner.hpp): the host, the loaded add-on, the page, the recordings, and the
// step loop. Split over files by concern: RunSession.cpp (setting up, the step loop, finishing),
// RunActions.cpp (carrying out the actions), Report/RunReport.cpp (what a step did, for the
// transcript), Expect/Expectations.cpp (checking), Pictures/Shots.cpp (pictures).

#include "Expect/Expectations.hpp"
#include "Expect/StoredState.hpp"
#include "Page/PageDriver.hpp"
#include "Page/PageTraffic.hpp"
#include "Page/WebAppData.hpp"
#include "Report/Transcript.hpp"
#include "Run/AddonLogFile.hpp"
#include "Run/DebugCapture.hpp"
#include "Run/InspectorChild.hpp"
#include "Run/PaletteView.hpp"
#include "Run/ProgressBar.hpp"
#include "Run/RestartMemo.hpp"
#include "Run/Runner.hpp"
#include "Run/ScenarioResponder.hpp"
#include "Run/StepRecord.hpp"
#include "Run/StepSource.hpp"
#include "Scenario/Scenario.hpp"

#include <VantrelSim/AddonLoader.hpp>
#include <VantrelSim/Host.hpp>
#include <VantrelSim/Project.hpp>

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace VantrelSim::Tool {

class RunSession {
public:
    RunSession(const Scenario& scenario, RunOptions options);
    ~RunSession();

    int Run(StepSource& source);

private:
    // ---- Setting up and finishing (RunSession.cpp)
    void PrepareOutput();
    void LoadProjects();
    void ChoosePage();
    void WritePreferences();
    void StartHost();
    // Loads and starts the add-on; false (with `why`) when it did not start.
    bool StartAddon(std::string& why);
    // The user saves, and the host quits: the add-on is released and unloaded.
    void QuitHost();
    // The host starts again with the add-on and opens the project that was open at the quit.
    void StartHostAgain(const Step& step);
    // `planned`: the steps the source meant to run, when it knows.
    void Finish(std::optional<std::size_t> planned);
    std::filesystem::path ProjectOutput(const std::string& file) const;

    // ---- Steps (RunSession.cpp)
    LiveRun Live();
    // Runs the source's steps until it has no more or ends the run.
    void RunSteps(StepSource& source);
    void RunStep(const Step& step);
    StepMarks Mark() const;
    StepRecord Gather(const StepMarks& marks) const;
    // Runs the message loop and the page until neither has anything left to do.
    void Settle();
    void Fail(const std::string& text);
    // Checks expectations and counts them; `label` names the step in failures.
    void CheckAll(const std::string& label, const Expectations& expect, const StepRecord& record);
    // The step's own faults and the other users' changes that land during it.
    void ArmStep(const Step& step);
    void DisarmStep(const Step& step, std::optional<std::string>& failure);

    // ---- What must hold after a step whatever it did ("holds", HoldChecks.cpp)
    struct HoldsBefore {
        std::size_t escaped = 0;           // the host's notes of exceptions out of the add-on
        std::size_t faultsFired = 0;       // calls a host fault answered
        std::size_t firedFrom = 0;         // where _firedFaults stood
        bool faultFired = false;           // during the step (set when the checks begin)
        bool silenced = false;             // planted: the step's alerts and log lines are not read
        bool othersActMeanwhile = false;   // other users change the model while the step runs
        std::optional<std::string> stored; // the project's stored form (StoredForm), when one is open
        std::optional<std::string> file;   // the project file's text, when one is open
        std::optional<std::string> model;  // ModelForm, with `stored`
        std::optional<decltype(Project::modulData)> modulData;
        std::optional<decltype(Project::addonObjects)> addonObjects;
        std::set<std::string> elements; // the guids of the project's elements, with `file`
        std::vector<QB::Guid> selection;
    };
    HoldsBefore TakeHoldsBefore(const Step& step);
    bool AsBeforeButThePlanId(const HoldsBefore& before) const;
    std::vector<FiredFault> FiredSince(const HoldsBefore& before) const;
    void Plant(Invariant invariant, HoldsBefore& before);
    // Each check the step names; a violation fails the step with "holds <name>: <what>".
    void CheckHolds(const std::string& label, const Step& step, const HoldsBefore& before,
                    const StepRecord& record);
    std::vector<std::string> NothingEscaped(const HoldsBefore& before, const StepRecord& record);
    std::vector<std::string> Consistent(const Step& step, const HoldsBefore& before);
    std::vector<std::string> FaultTold(const Step& step, const HoldsBefore& before, const StepRecord& record);
    // The checks that act on the run (HoldActs.cpp).
    std::vector<std::string> UndoRestores(const HoldsBefore& before, const StepRecord& record);
    std::vector<std::string> RestartKeeps(const Step& step, bool faultFired);
    // All that a restart now would start from (RestartMemo.hpp); nullopt when not all of it can be
    // seen.
    std::optional<std::string> RestartStartsFrom(const std::string& project,
                                                 const std::vector<QB::Guid>& selection,
                                                 const std::optional<std::string>& connection,
                                                 const std::optional<std::string>& opened,
                                                 bool paletteWasOpen, const Step& step) const;
    std::vector<std::string> PaletteAgrees(const Step& step, const HoldsBefore& before);
    std::vector<std::string> Converges(const HoldsBefore& before);
    // The palette's panels as the user reads them (titles, pop-up entries, rows); nullopt when closed.
    // `snapshots`: with the rows of the disassociated elements, which the add-on lists as they were at
    // the last rebuild of its cache (a deleted element stays until the user refreshes).
    std::optional<std::string> PaletteSummary(bool snapshots = true) const;
    // The connection chosen in the browser panel's pop-up.
    std::optional<std::string> ChosenConnection() const;
    // The page's state as the add-on last sent it, as JSON in the form of getAllState's answer
    // (with "opened": the specification open in the page); nullopt without a page that has one.
    std::optional<std::string> PageStateNow();
    // A fresh getAllState's answer; nullopt (with `why`) when the page got none.
    std::optional<std::string> FreshPageState(const char* why);
    // Carries out a step of a check's own, as a scenario's step would be, answering what it shows
    // as a careful user.
    void ActForCheck(const Step& step, const char* why);
    // Closes the palette if it is open, opens it, and chooses the connection and opens the
    // specification in the page as they were.
    void OpenPaletteAgain(const std::optional<std::string>& connection,
                          const std::optional<std::string>& opened, const char* why);
    // The inspector's reading of a project file's text (cached for the last text read).
    std::optional<StoredState> Inspected(const std::string& file, std::string& error);

    // ---- Actions (RunActions.cpp)
    void Perform(const Step& step);
    // Undoes or redoes `times` steps: `stepNames` lists the steps the next `step` takes, `verb` and
    // `done` name it in the failure and the transcript.
    void WalkHistory(QB::Int32 times, const std::function<std::vector<QB::UniString>()>& stepNames,
                     const std::function<bool()>& step, std::string_view verb, std::string_view done);
    // Runs what the user or the host does, then the message loop, as the host's main loop would.
    template <typename Work> void Act(Work&& work) { _loader->Act(std::forward<Work>(work)); }
    const Project& RequireProject(const char* why) const;
    // A project file the scenario names: read before the run, or now when the run made it.
    const Project& ProjectFile(const std::filesystem::path& path);
    Fault MakeFault(const HostFaultSpec& spec, std::size_t tag);
    // What another user does to the project (as that user, Host::AsOtherUser).
    void ApplyOtherUserChange(Project& project, const OtherUserChange& change, QB::Int32 user);
    // The call's arguments with the live values the page knows now.
    std::string WithLiveValues(const std::string& arguments);

    // ---- Report (RunReport.cpp)
    void Report(const StepRecord& record, const StepMarks& marks);
    void ReportPalette();

    // ---- Pictures (Shots.cpp)
    void TakeShots(const std::string& name);

    const Scenario& _scenario;
    RunOptions _options;
    std::map<std::filesystem::path, Project> _projects; // project files, read before the run
    WebAppData _webApp;
    std::unique_ptr<Transcript> _transcript;
    std::unique_ptr<DebugCapture> _debug;
    std::unique_ptr<AddonLogFile> _addonLog;
    std::vector<FiredFault> _firedFaults; // every call a host fault answered, in order
    PageTraffic _traffic;
    std::unique_ptr<PageDriver> _page;
    std::string _browserName;
    std::shared_ptr<ScenarioResponder> _responder;
    std::unique_ptr<ProgressBar> _progress;
    std::vector<std::string> _progressNotes; // progress windows closed since the last report
    Host _host;
    std::unique_ptr<AddonLoader> _loader;
    bool _addonRunning = false;
    std::string _notRunningWhy;                        // why the add-on is not running
    std::optional<std::filesystem::path> _quitProject; // saved at the quit, opened at the start
    struct ArmedMeanwhile {
        const Meanwhile* what = nullptr;
        std::size_t seen = 0;
        bool landed = false;
    };
    std::vector<ArmedMeanwhile> _meanwhile;
    std::vector<std::string> _meanwhileProblems;
    PaletteView _palette{_host};
    std::string _lastPalette;
    std::vector<std::string> _failures;
    bool _environmentFailed = false; // the browser did not start: exit code Environment
    std::size_t _checks = 0;
    EarlierValues _earlier; // for later "unchanged" and "changed" expectations
    std::size_t _stepsRun = 0;
    std::size_t _shots = 0;
    // What other users sent in the step (receiveChanges), for the checks after it.
    std::optional<IncomingChanges> _received;
    std::unique_ptr<InspectorChild> _inspector;
    // The project's stored form when the step's first undoable command began (undoRestores).
    // The project's stored and model forms as each command of the step (not inside another) began,
    // undoable ones only (undoRestores).
    bool _formAtCommands = false;
    std::vector<std::optional<std::pair<std::string, std::string>>> _atCommands;
    // Other users' changes that landed in the middle of the step (undoRestores): the stored form just
    // before and just after each, and how many of the step's commands had begun by then.
    struct LandedForms {
        std::size_t commandsBegun = 0;
        std::string before;
        std::string after;
    };
    std::vector<LandedForms> _landedForms;
    bool _plantDivergence = false;
    // The inspector's readings of the texts read last, the latest at the back: a step's checks read
    // the project before the step, after it, after a restart and after an exchange, and the next
    // step starts from one of them.
    std::deque<std::pair<std::string, StoredState>> _inspected;
    // Findings that came with a value a user typed into the add-on's own properties: the user
    // changed the element on purpose, so while the element stays so they are not the add-on's doing
    // (an undo and a redo of the typing bring the same finding back).
    std::set<StoredFinding> _typedFindings;
    RestartMemo _restarts; // what restarts that changed nothing stored showed (restartKeeps)
};

} // namespace VantrelSim::Tool
