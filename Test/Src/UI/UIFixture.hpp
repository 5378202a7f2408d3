#pragma once

// The palette over the simulated host: a project with two classification systems ("Specs" with
// items F10 and G20, "Other" with F10), three walls and a column, the add-on's menu registered,
// a scripted user answering alerts and dialogs, and the message loop drained on request.

#include "Support/LogCapture.hpp"
#include "Support/TempDir.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Manager/Manager.hpp"
#include "Tessel/Api/Properties.hpp"
#include "UI/TesselPalette/Palette.hpp"

#include <VantrelSim/Host.hpp>

#include <PK/InProcessBrowserBackend.hpp>
#include <PK/InteractionRecord.hpp>
#include <PK/Responder.hpp>
#include <PX/RollDownPalette.hpp>

#include <QB/Guid.hpp>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace TesselConnect::Test {

// The palette's roll panels, and the items their pages number alike.
constexpr QB::Int32 BrowserPanel = 1, ClausePanel = 2, UnassociatedPanel = 3, IssuesPanel = 4;
constexpr QB::Int32 List = 1, SelectButton = 2, ZoomButton = 3;

class UIFixture : public ::testing::Test {
protected:
    UIFixture();
    ~UIFixture() override;

    // Runs what the palette posted (alerts, dialogs, the connect workflow, destruction).
    void Drain();

    // Menu command: opens (or shows) the palette and lets the host's loop run.
    UI::Palette& OpenPalette();
    UI::Palette* FindPalette() const;
    PX::RollPanel& RollPanel(QB::Int32 index) const;
    PK::TabPage& Page(QB::Int32 index) const;
    std::string Render() const;
    // The rendering of one roll panel and its page, from its header line on.
    std::string RenderPanel(QB::Int32 index) const;
    PK::InProcessBrowserBackend& Backend() const;
    // How many scripts sent to the page called ardoTesselState.<function>.
    std::size_t PageCallCount(const std::string& function) const;
    // Whether each item of the roll panel's page is enabled, in the order asked.
    std::vector<bool> EnabledItems(QB::Int32 panel, const std::vector<QB::Int32>& items) const;
    // The rectangles of items of the roll panel's page, in the order asked.
    std::vector<PK::Rect> Rects(QB::Int32 panel, const std::vector<QB::Int32>& items) const;

    // Connects directly through the manager (no dialog).
    std::shared_ptr<Model::ConnectionWithSpecification> Connect(const QB::UniString& specId,
                                                                const QB::Guid& system);
    // Selects the elements in the host and lets the manager hear of it.
    void Select(const std::vector<QB::Guid>& elements);
    // Associates the elements with a clause of the code through the page's request.
    void Associate(const QB::UniString& specId, const QB::UniString& clauseId, const QB::UniString& code,
                   const std::vector<QB::Guid>& elements);
    static Api::Properties Clause(const QB::UniString& clauseId, const QB::UniString& code);

    // The page asks to connect a specification.
    void RequestConnection(const QB::UniString& specId, const QB::UniString& specTitle = "Spec",
                           const QB::UniString& projectTitle = "Tower",
                           const QB::UniString& specType = "Uniclass");
    // The next selector dialog: choose the entry (from 1) of the pop-up and press Choose.
    void ScriptSystemChoice(QB::Int32 entry);
    void ScriptDialogCancel();

    const std::vector<PK::AlertRecord>& Alerts() const {
        return PK::InteractionRecord::Instance().GetAlerts();
    }
    std::vector<QB::ResId> AlertIds() const;
    const std::vector<PK::DialogRecord>& Dialogs() const {
        return PK::InteractionRecord::Instance().GetDialogs();
    }

    API_MenuItemFlags MenuItemFlags() const;

    TestSupport::TempDir prefs{"ui-prefs"};
    TestSupport::LogCapture log;
    VantrelSim::Host host;
    std::shared_ptr<Api::Vantrel> vantrel;
    std::shared_ptr<Model::Manager> manager;
    std::shared_ptr<PK::ScriptedResponder> responder = std::make_shared<PK::ScriptedResponder>();

    QB::Guid systemGuid;
    QB::Guid otherSystemGuid;
    std::vector<QB::Guid> walls;
    QB::Guid lockedWall; // on a locked layer: associating it fails with a warning
    QB::Guid column;
    QB::Guid door; // of a variation the add-on cannot classify

private:
    VantrelSim::Project BuildProject();
};

} // namespace TesselConnect::Test
