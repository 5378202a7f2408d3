#include "WorkflowSession.hpp"

#include "Util/Resource/ResourceIds.hpp"

#include <VantrelSim/ProjectBuilder.hpp>

#include <PK/Dialog.hpp>
#include <PK/InteractionRecord.hpp>
#include <PK/ItemControl.hpp>
#include <PK/JSArray.hpp>
#include <PK/JSValue.hpp>
#include <PK/UserActions.hpp>
#include <PX/RollDownPalette.hpp>

#include <QB/Pref.hpp>
#include <QB/Runnable.hpp>

#include "Util/Json/RapidJson.hpp"

#include <rapidjson/pointer.h>

#include <spdlog/spdlog.h>

#include <dlfcn.h>

#include <fstream>
#include <regex>
#include <stdexcept>

namespace TesselConnect::Test {

KeepAddonLibraryMapped::KeepAddonLibraryMapped() : _handle(::dlopen(ATC_ADDON_LIBRARY, RTLD_NOW)) {
    if (_handle == nullptr) {
        throw std::runtime_error("the add-on library cannot be loaded");
    }
}

KeepAddonLibraryMapped::~KeepAddonLibraryMapped() {
    ::dlclose(_handle);
}

WorkflowSession::WorkflowSession() {
    QBPref::SetDirectory(prefs.Path());
    QBPref::GetRootKey(QBPref::MachineDomain)
        .SetString("ArdoTesselConnect", "log.path", (logs.Path() / "ArdoTesselConnect.log").string());
    QB::MessageLoop::Instance().DiscardPending();
    PK::InteractionRecord::Instance().Clear();
    ResetAnswers();
    PK::SetBrowserBackendFactory([this](const PK::BrowserSettings& settings) {
        auto backend = std::make_unique<PK::InProcessBrowserBackend>(settings);
        engine = backend.get();
        return backend;
    });

    VantrelSim::Project project;
    project.name = "Tower";
    VantrelSim::ProjectBuilder build(project);
    build.AddStory("Ground");
    const QB::Int32 layer = build.AddLayer("Walls");
    system = build.AddSystem("Specs", "1");
    itemF10 = build.AddItem(system, "F10", "Walls");
    build.AddItem(system, "G20", "Floors");
    for (int i = 0; i < 3; ++i) {
        walls.push_back(build.AddElement({.type = API_WallID, .layer = layer}));
    }
    column = build.AddElement({.type = API_ColumnID, .layer = layer});
    lockedLayer = build.AddLayer("Locked", false, true);
    lockedWall = build.AddElement({.type = API_WallID, .layer = lockedLayer});
    host.OpenProject(std::move(project));

    loader = std::make_unique<VantrelSim::AddonLoader>(host);
    if (!loader->Start(ATC_ADDON_LIBRARY).Started()) {
        throw std::runtime_error("the add-on did not start");
    }
    loader->ChooseMenuItem(static_cast<QB::Int32>(Util::Resource::ListId::MenuText), 1);
    if (engine == nullptr) {
        throw std::runtime_error("the palette has no browser");
    }
    engine->FinishLoad();
    loader->DrainMessageLoop();
}

WorkflowSession::~WorkflowSession() {
    host.Faults().Clear();
    loader.reset();
    PK::SetBrowserBackendFactory(nullptr);
    PK::SetUserResponder(nullptr);
    PK::InteractionRecord::Instance().Clear();
    QBPref::ResetDirectory();
}

std::string WorkflowSession::PageCall(const std::string& function,
                                      const std::vector<std::string>& arguments) {
    auto array = std::make_shared<PK::JSArray>();
    for (const std::string& argument : arguments) {
        array->AddItem(PK::MakeStringValue(QB::UniString(argument)));
    }
    const PK::JSCallResult result = loader->Act(
        [&] { return engine->CallJSFunction("ardoTesselIntegrator", QB::UniString(function), array); });
    const auto* text = dynamic_cast<const PK::JSValue*>(result.value.get());
    return text != nullptr && text->GetType() == PK::JSValue::STRING ? text->GetString().ToUtf8()
                                                                     : std::string();
}

void WorkflowSession::Select(const std::vector<QB::Guid>& elements) {
    loader->Act([&] { host.SetSelection(elements); });
}

PK::TabPage& WorkflowSession::Page(QB::Int32 panel) const {
    for (const VantrelSim::PaletteRegistration& registration : host.Palettes()) {
        if (auto* palette = dynamic_cast<PX::RollDownPalette*>(PK::Palette::FindPalette(registration.guid))) {
            if (PX::RollPanel* roll = palette->GetPanels().GetPanel(panel);
                roll != nullptr && roll->GetTabPage()) {
                return *roll->GetTabPage();
            }
        }
    }
    throw std::logic_error("the palette has no such panel");
}

bool WorkflowSession::ClickRow(QB::Int32 panel, QB::Int32 item, const std::string& text) {
    const PK::ItemControl* list = Page(panel).GetItemControl(item);
    for (std::size_t row = 0; list != nullptr && row < list->list.rows.size(); ++row) {
        for (const PK::TabCell& cell : list->list.rows[row].cells) {
            if (cell.text.ToUtf8().find(text) != std::string::npos) {
                loader->Act(
                    [&] { PK::User::ClickListRow(Page(panel), item, static_cast<QB::Int32>(row + 1)); });
                return true;
            }
        }
    }
    return false;
}

void WorkflowSession::ClickButton(QB::Int32 panel, QB::Int32 item) {
    loader->Act([&] { PK::User::ClickButton(Page(panel), item); });
}

void WorkflowSession::AnswerNextAlert(QB::Int32 button, QB::ResId alertId) {
    responder->QueueAlertAnswer(button, alertId);
}

void WorkflowSession::ChooseSystemInNextDialog(QB::Int32 entry) {
    responder->QueueDialogSteps(
        {PK::ScriptedResponder::ChoosePopUpEntry(2, entry), PK::ScriptedResponder::ClickButton(3)},
        Util::Resource::DialogId::ClassificationSystemSelector);
}

void WorkflowSession::ResetAnswers() {
    responder = std::make_shared<PK::ScriptedResponder>();
    PK::SetUserResponder(responder);
}

std::size_t WorkflowSession::AlertCount() const {
    return PK::InteractionRecord::Instance().GetAlerts().size();
}

std::vector<std::string> WorkflowSession::Warnings() const {
    if (const auto logger = spdlog::default_logger()) {
        logger->flush();
    }
    static const std::regex linePattern(
        R"(^\[[^\]]*\] \[(warning|error|critical)\] \[[^\]]*\] \([^)]*\) (.*)$)");
    std::vector<std::string> lines;
    std::ifstream file(logs.Path() / "ArdoTesselConnect.log");
    std::string text;
    while (std::getline(file, text)) {
        std::smatch match;
        if (std::regex_match(text, match, linePattern)) {
            lines.push_back(match[1].str() + ": " + match[2].str());
        }
    }
    return lines;
}

std::string WorkflowSession::DocumentRef() {
    rapidjson::Document state;
    state.Parse(PageCall("getAllState", {}).c_str());
    const rapidjson::Value* ref = rapidjson::Pointer("/documentState/documentRef").Get(state);
    return !state.HasParseError() && ref != nullptr && ref->IsString() ? ref->GetString() : std::string();
}

std::optional<API_ModulData> WorkflowSession::Record() const {
    if (const API_ModulData* record = host.GetProject().modulData.GetPtr(WorkflowRecordName)) {
        return *record;
    }
    return std::nullopt;
}

QB::Guid WorkflowSession::ItemOf(const QB::Guid& element) const {
    const VantrelSim::Element* elem = host.GetProject().FindElement(element);
    if (elem == nullptr) {
        return {};
    }
    const auto found = elem->classification.find(system);
    return found == elem->classification.end() ? QB::Guid() : found->second;
}

QB::Guid WorkflowSession::Definition(const char* name) const {
    const VantrelSim::Project& project = host.GetProject();
    for (const auto& [guid, group] : project.Groups()) {
        for (const QB::Guid& definition : group.definitions) {
            if (const auto* found = project.FindDefinition(definition); found && found->record.name == name) {
                return definition;
            }
        }
    }
    return {};
}

QB::UniString WorkflowSession::TitleOf(const QB::Guid& element) const {
    const VantrelSim::Project& project = host.GetProject();
    const VantrelSim::Element* elem = project.FindElement(element);
    const VantrelSim::PropertyDefinition* title = project.FindDefinition(Definition("ArdoTesselTitle"));
    return elem != nullptr && title != nullptr && project.IsAvailable(*elem, *title)
               ? project.PropertyOf(*elem, *title).value.singleVariant.uniStringValue
               : QB::UniString();
}

} // namespace TesselConnect::Test
