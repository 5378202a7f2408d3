#pragma once

// The live page's run: a StepSource whose steps come from the person. Between steps the main
// thread waits on the MainQueue for the server's requests, settling the add-on and its page
// between waits; a posted step (scenario-step JSON, read by ReadStepJson) is the next step of the
// run, and its reply goes out once the step ran; the steps that could be carried out are
// recorded. While a step shows an alert or the selector dialog the step's answers do not cover,
// the main thread keeps serving the panes and waits for the person's answer (PersonResponder).
//
// Everything here runs on the main thread, inside the tasks the queue runs; the server's threads
// only post tasks and wait for their replies.

#include "Run/StepSource.hpp"
#include "Serve/MainQueue.hpp"
#include "Serve/PersonResponder.hpp"
#include "Serve/ProjectRows.hpp"
#include "Serve/StepRecorder.hpp"

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace VantrelSim::Tool {

struct SandboxOptions {
    std::filesystem::path scenarioFile; // the live run's scenario (the base of steps' paths)
    std::filesystem::path project;      // the project it opened; empty: a new one
    std::filesystem::path addon;        // for the palette's icons
    std::filesystem::path outDir;       // saved scenarios and the page's pictures go there
    std::string browser;                // "chromium" or "none"
};

class Sandbox final : public StepSource {
public:
    Sandbox(MainQueue& queue, SandboxOptions options);
    ~Sandbox() override;

    std::optional<Step> Next(const LiveRun& live) override;
    bool Ran(const Step& step, const StepOutcome& outcome) override;

    // ---- Requests, as tasks of the queue (main thread) -------------------------------------
    // `slot` gets the reply; a step's reply comes once the step ran.
    void PostStep(const std::string& body, const ReplySlot& slot);
    Reply PostAnswer(const std::string& body);
    Reply PostExpect(const std::string& body);
    Reply PostSave(const std::string& body);
    Reply Quit();
    Reply State() const;
    Reply Palette() const;
    Reply Project(std::size_t offset, std::size_t count) const;
    Reply Names(std::size_t offset, std::size_t count, const std::string& type) const;
    Reply WebApp() const;
    Reply PagePicture() const;
    Reply ScenarioText() const;

    // Asks the run to end after the current step (any thread: a signal, the server stopping).
    void RequestQuit() { _quitRequested = true; }

private:
    std::optional<Answer> Ask(const std::string& question);
    void Attach(const LiveRun& live);

    MainQueue& _queue;
    SandboxOptions _options;
    StepRecorder _recorder;
    ProjectRows _rows;
    std::shared_ptr<PersonResponder> _person;
    std::shared_ptr<PK::UserResponder> _previousResponder;

    // The run's parts, which live as long as the run (LiveRun only lends them).
    const Host* _host = nullptr;
    const PaletteView* _palette = nullptr;
    PageDriver* _page = nullptr;
    const WebAppData* _webApp = nullptr;
    bool _addonRunning = false;

    struct Pending {
        Step step;
        std::string json;
        ReplySlot slot;
    };
    std::optional<Pending> _pending;
    std::optional<Pending> _running;
    std::optional<std::string> _question; // the alert or dialog waiting for the person
    std::optional<Answer> _answer;
    bool _quit = false;
    std::atomic<bool> _quitRequested{false};
};

} // namespace VantrelSim::Tool
