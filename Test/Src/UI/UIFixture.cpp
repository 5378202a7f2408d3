#include "UIFixture.hpp"

#include "Model/AddonVersion.hpp"
#include "Model/PlanData.hpp"
#include "Tessel/Implementation/TesselBrowser.hpp"
#include "UI/BrowserTabPage.hpp"
#include "Util/Resource/OwnModule.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <VantrelSim/ProjectBuilder.hpp>

#include <PK/Rendering.hpp>
#include <PK/TabPage.hpp>
#include <PK/UserActions.hpp>

#include <QB/Pref.hpp>
#include <QB/Runnable.hpp>

#include <stdexcept>

namespace TesselConnect::Test {

namespace Ids = Util::Resource;

UIFixture::UIFixture() {
    QBPref::SetDirectory(prefs.Path());
    QB::MessageLoop::Instance().DiscardPending();
    PK::InteractionRecord::Instance().Clear();
    PK::SetUserResponder(responder);

    Implementation::HostFunctions::Set(host.FunctionTable());
    Implementation::HostFunctions::SetToken(host.Token());
    host.SetAddonResModule(Ids::RegisterOwnResourceModule());
    host.BeginInterfaceRegistration();
    host.FunctionTable().VNAPI_Register_Menu(host.Token(), static_cast<QB::Int32>(Ids::ListId::MenuText),
                                             static_cast<QB::Int32>(Ids::ListId::MenuPrompt), 0, 0);
    host.EndInterfaceRegistration();
    host.NewProject(BuildProject());

    vantrel = std::make_shared<Implementation::Vantrel>();
    manager = Model::Manager::Create(CurrentAddonVersion, vantrel);
    // The project already has its permanent plan id, as after a first connection.
    vantrel->CallUndoableCommand("Plan id", [this] { manager->GetPlanData()->Sync(); });
}

UIFixture::~UIFixture() {
    UI::Palette::Destroy();
    Drain();
    QB::MessageLoop::Instance().DiscardPending();
    manager.reset();
    PK::SetUserResponder(nullptr);
    PK::InteractionRecord::Instance().Clear();
    Implementation::HostFunctions::Clear();
    QBPref::ResetDirectory();
}

VantrelSim::Project UIFixture::BuildProject() {
    VantrelSim::Project project;
    VantrelSim::ProjectBuilder build(project);
    build.AddStory("Ground");
    const QB::Int32 layer = build.AddLayer("Walls");
    systemGuid = build.AddSystem("Specs", "1");
    otherSystemGuid = build.AddSystem("Other");
    build.AddItem(systemGuid, "F10", "Walls");
    build.AddItem(systemGuid, "G20", "Floors");
    build.AddItem(otherSystemGuid, "F10", "Walls");
    const VantrelSim::ElementSpec wall{.type = API_WallID, .layer = layer};
    walls = {build.AddElement(wall), build.AddElement(wall), build.AddElement(wall)};
    const QB::Int32 lockedLayer = build.AddLayer("Locked", false, true);
    lockedWall = build.AddElement({.type = API_WallID, .layer = lockedLayer});
    door = build.AddElement({.type = API_DoorID, .layer = layer});
    column = build.AddElement({.type = API_ColumnID, .layer = layer});
    return project;
}

void UIFixture::Drain() {
    QB::MessageLoop::Instance().RunPending();
}

UI::Palette& UIFixture::OpenPalette() {
    UI::Palette::Open(manager);
    Drain();
    UI::Palette* palette = FindPalette();
    if (palette == nullptr) {
        throw std::logic_error("no palette open");
    }
    return *palette;
}

UI::Palette* UIFixture::FindPalette() const {
    return dynamic_cast<UI::Palette*>(PK::Palette::FindPalette(UI::Palette::Guid));
}

PX::RollPanel& UIFixture::RollPanel(QB::Int32 index) const {
    UI::Palette* palette = FindPalette();
    if (palette == nullptr || palette->GetPanels().GetPanel(index) == nullptr) {
        throw std::logic_error("no such roll panel");
    }
    return *palette->GetPanels().GetPanel(index);
}

PK::TabPage& UIFixture::Page(QB::Int32 index) const {
    PK::TabPage* page = RollPanel(index).GetTabPage();
    if (page == nullptr) {
        throw std::logic_error("roll panel without a page");
    }
    return *page;
}

std::string UIFixture::Render() const {
    const UI::Palette* palette = FindPalette();
    return palette != nullptr ? PK::RenderText(*palette) : std::string("no palette");
}

std::string UIFixture::RenderPanel(QB::Int32 index) const {
    const std::string all = Render();
    const std::string header = "  roll panel " + std::to_string(index) + " ";
    const std::size_t begin = all.find(header);
    if (begin == std::string::npos) {
        return {};
    }
    const std::size_t end = all.find("  roll panel " + std::to_string(index + 1) + " ", begin);
    return all.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

PK::InProcessBrowserBackend& UIFixture::Backend() const {
    UI::Palette* palette = FindPalette();
    auto* backend = palette != nullptr && palette->GetBrowserTabPage() != nullptr
                        ? dynamic_cast<PK::InProcessBrowserBackend*>(
                              &palette->GetBrowserTabPage()->GetBrowser()->GetBackend())
                        : nullptr;
    if (backend == nullptr) {
        throw std::logic_error("no in-process browser");
    }
    return *backend;
}

std::size_t UIFixture::PageCallCount(const std::string& function) const {
    std::size_t count = 0;
    for (const QB::UniString& script : Backend().GetExecutedScripts()) {
        count += script.ToUtf8().find("ardoTesselState." + function + "(") != std::string::npos ? 1U : 0U;
    }
    return count;
}

std::vector<bool> UIFixture::EnabledItems(QB::Int32 panel, const std::vector<QB::Int32>& items) const {
    std::vector<bool> enabled;
    for (const QB::Int32 item : items) {
        enabled.push_back(Page(panel).IsItemEffectivelyEnabled(item));
    }
    return enabled;
}

std::vector<PK::Rect> UIFixture::Rects(QB::Int32 panel, const std::vector<QB::Int32>& items) const {
    std::vector<PK::Rect> rects;
    for (const QB::Int32 item : items) {
        rects.push_back(Page(panel).GetItemControl(item)->rect);
    }
    return rects;
}

std::shared_ptr<Model::ConnectionWithSpecification> UIFixture::Connect(const QB::UniString& specId,
                                                                       const QB::Guid& system) {
    manager->ConnectWithSpecification(system, specId, "Spec " + specId, "proj-1", "Tower");
    return manager->GetConnection(specId);
}

void UIFixture::Select(const std::vector<QB::Guid>& elements) {
    host.SetSelection(elements);
    manager->VNEvent_SelectionChanged(API_Neig{});
}

Api::Properties UIFixture::Clause(const QB::UniString& clauseId, const QB::UniString& code) {
    return Api::Properties{{Api::Properties::Name::ClauseId, clauseId},
                           {Api::Properties::Name::Code, code},
                           {Api::Properties::Name::Title, "Title " + code},
                           {Api::Properties::Name::Prefix, ""},
                           {Api::Properties::Name::Suffix, ""}};
}

void UIFixture::Associate(const QB::UniString& specId, const QB::UniString& clauseId,
                          const QB::UniString& code, const std::vector<QB::Guid>& elements) {
    Select(elements);
    manager->Handle_associationRequested("type", specId, clauseId, Clause(clauseId, code));
}

void UIFixture::RequestConnection(const QB::UniString& specId, const QB::UniString& specTitle,
                                  const QB::UniString& projectTitle, const QB::UniString& specType) {
    manager->Handle_specAssociationRequested("proj-1", specId, projectTitle, specTitle, "", specType);
}

void UIFixture::ScriptSystemChoice(QB::Int32 entry) {
    responder->QueueDialogSteps(
        {PK::ScriptedResponder::ChoosePopUpEntry(2, entry), PK::ScriptedResponder::ClickButton(3)},
        Ids::DialogId::ClassificationSystemSelector);
}

void UIFixture::ScriptDialogCancel() {
    responder->QueueDialogSteps({PK::ScriptedResponder::ClickButton(4)},
                                Ids::DialogId::ClassificationSystemSelector);
}

std::vector<QB::ResId> UIFixture::AlertIds() const {
    std::vector<QB::ResId> ids;
    for (const PK::AlertRecord& alert : Alerts()) {
        ids.push_back(alert.alertId);
    }
    return ids;
}

API_MenuItemFlags UIFixture::MenuItemFlags() const {
    for (const VantrelSim::MenuRegistration& menu : host.Menus()) {
        if (menu.menuStrResID == static_cast<QB::Int32>(Ids::ListId::MenuText)) {
            return menu.itemFlags;
        }
    }
    return -1;
}

} // namespace TesselConnect::Test
