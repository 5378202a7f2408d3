#pragma once

// The add-on library at work in a simulated host, driven as a user drives it: its palette open,
// its page on the in-process browser engine (loaded, as the web application would be), a scripted
// user answering dialogs and alerts, and everything the add-on tells the user (alerts, log lines of
// warning and above, issues) readable from outside. The project: a classification system "Specs"
// (items F10, G20), three walls and a column on a visible layer and a wall on a locked layer.
//
// Every user action goes through the boundary the host or the page uses, and lets the host's
// message loop run afterwards. Main thread; one session at a time.

#include "Support/TempDir.hpp"

#include <VantrelSim/AddonLoader.hpp>
#include <VantrelSim/Host.hpp>

#include <PK/BrowserBackend.hpp>
#include <PK/InProcessBrowserBackend.hpp>
#include <PK/Responder.hpp>
#include <PK/TabPage.hpp>

#include <QB/Debug.hpp>
#include <QB/Guid.hpp>
#include <QB/UniString.hpp>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace TesselConnect::Test {

inline constexpr const char* WorkflowSpecId = "S-1";
inline constexpr const char* WorkflowRecordName = "ConnectionWithSpecification:S-1";

// Keeps the add-on library mapped while it lives. Every session loads and unloads it as the host
// does; without this, each would also map it anew, which costs more than the session itself.
class KeepAddonLibraryMapped {
public:
    KeepAddonLibraryMapped();
    ~KeepAddonLibraryMapped();
    KeepAddonLibraryMapped(const KeepAddonLibraryMapped&) = delete;
    KeepAddonLibraryMapped& operator=(const KeepAddonLibraryMapped&) = delete;

private:
    void* _handle;
};

class WorkflowSession {
public:
    WorkflowSession();
    ~WorkflowSession();
    WorkflowSession(const WorkflowSession&) = delete;
    WorkflowSession& operator=(const WorkflowSession&) = delete;

    // ---- Acting ----
    // A call of the page with string arguments; answers the call's result text.
    std::string PageCall(const std::string& function, const std::vector<std::string>& arguments);
    void Select(const std::vector<QB::Guid>& elements);
    // Clicks the first row of the list whose text contains `text`; false when there is none.
    bool ClickRow(QB::Int32 panel, QB::Int32 item, const std::string& text);
    void ClickButton(QB::Int32 panel, QB::Int32 item);
    // The next alert (of any id) is answered with `button`; others with the first button.
    void AnswerNextAlert(QB::Int32 button, QB::ResId alertId);
    void ChooseSystemInNextDialog(QB::Int32 entry);
    // Forgets answers the last action did not use.
    void ResetAnswers();

    // ---- What the user was told ----
    std::size_t AlertCount() const;
    // Lines of the add-on's log at warning level or above.
    std::vector<std::string> Warnings() const;
    std::string DocumentRef();

    // ---- The project ----
    VantrelSim::Project& Project() { return host.GetProject(); }
    std::optional<API_ModulData> Record() const;
    QB::Guid ItemOf(const QB::Guid& element) const;
    QB::UniString TitleOf(const QB::Guid& element) const;
    // The definition of that name in the project's property groups; null when there is none.
    QB::Guid Definition(const char* name) const;

    TestSupport::TempDir prefs{"sweep-prefs"};
    TestSupport::TempDir logs{"sweep-logs"};
    TestSupport::TempDir appData{"sweep-appdata"};
    TestSupport::ScopedEnv appDataEnv{"QB_APPDATA_DIR", appData.Path().string()};
    QB::DebugOutputCapture debugOutput; // the add-on's log lines also go to the host's debug output
    VantrelSim::Host host;
    std::unique_ptr<VantrelSim::AddonLoader> loader;
    std::shared_ptr<PK::ScriptedResponder> responder;
    PK::InProcessBrowserBackend* engine = nullptr;

    QB::Guid system;
    QB::Guid itemF10;
    std::vector<QB::Guid> walls;
    QB::Guid lockedWall;
    QB::Guid column;
    QB::Int32 lockedLayer = 0;

private:
    PK::TabPage& Page(QB::Int32 panel) const;
};

} // namespace TesselConnect::Test
