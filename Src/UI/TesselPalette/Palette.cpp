#include "UI/TesselPalette/Palette.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Issue/Base.hpp"
#include "Model/Manager/Manager.hpp"
#include "UI/Alerts.hpp"
#include "UI/BrowserTabPage.hpp"
#include "UI/IssuesTabPage.hpp"
#include "UI/TesselPalette/ConnectWorkflow.hpp"
#include "UI/UnassociatedElementsTabPage.hpp"
#include "UI/VirtualTypeTabPage.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Util/RunnableLambda/RunnableLambda.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <fmt/format.h>

namespace TesselConnect::UI {

namespace {

namespace Ids = Util::Resource;

constexpr QB::Int32 CloseType = 4;
constexpr QB::Int32 CaptionType = 0;
constexpr QB::Int32 FrameType = 0;
constexpr QB::Int32 MinClientWidth = 550;
constexpr QB::Int32 MinClientHeight = 50;

QB::UInt64 NextGeneration() noexcept {
    static QB::UInt64 constructed = 0;
    return ++constructed;
}

QB::UniString PaletteTitle(Model::Manager& manager) {
    const AddonVersion& version = manager.GetAddonVersion();
    return manager.GetVantrel()->GetResourceString(Ids::Text::PaletteTitle) +
           QB::UniString(fmt::format(" {}.{}", version.major, version.minor));
}

} // namespace

const QB::Guid Palette::Guid{"{7a4bcdda-da8d-459c-b356-a815f02c5df4}"};

Palette::Palette(const std::shared_ptr<Model::Manager>& manager)
    : PX::RollDownPalette(Guid, CloseType, CaptionType, FrameType), _manager(manager),
      _generation(NextGeneration()), _observedConn(*this) {
    Attach(static_cast<PK::PanelObserver&>(*this));
    LOG_TRACE("Palette contruct");
    _menuItemMark.emplace(_manager->GetVantrel());

    SetMinClientSize(MinClientWidth, MinClientHeight);
    SetGrowType(PK::GrowType::HVGrow);
    SetTitle(PaletteTitle(*_manager));

    PX::RollDownSurface* surface = GetRollDownSurface();
    ATC_ASSERT(surface != nullptr, "surface != nullptr");
    ATC_ASSERT(IsValid(), "IsValid()");
    PX::RollPanelContainer* container = surface->GetPanelContainer();
    ATC_ASSERT(container != nullptr, "container != nullptr");

    // The browser and the issues stay open; the clause lists start rolled up.
    _browserPanel = &CreateRollPanel(*container, PX::RollPanelState::Expanded);
    _browserPage = std::make_shared<BrowserTabPage>(*_browserPanel, _manager);
    _virtualTypePanel = &CreateRollPanel(*container, PX::RollPanelState::Collapsed);
    _virtualTypePage = std::make_shared<VirtualTypeTabPage>(*_virtualTypePanel, _manager);
    _unassociatedPanel = &CreateRollPanel(*container, PX::RollPanelState::Collapsed);
    _unassociatedPage = std::make_shared<UnassociatedElementsTabPage>(*_unassociatedPanel, _manager);
    _issuesPanel = &CreateRollPanel(*container, PX::RollPanelState::Expanded);
    _issuesPage = std::make_shared<IssuesTabPage>(*_issuesPanel, _manager);

    _observedConn.Switch(_manager->GetSelectedConnection());
    _manager->AttachObserver(*this);

    AttachToAllItems(*this);
    BeginEventProcessing();
}

Palette::~Palette() {
    try {
        LOG_TRACE("Palette destruct");
        _manager->DetachObserver(*this);
        _menuItemMark.reset();
        _issuesPage.reset();
        _unassociatedPage.reset();
        _virtualTypePage.reset();
        _browserPage.reset();
    }
    LOG_CATCH_ALL
}

PX::RollPanel& Palette::CreateRollPanel(PX::RollPanelContainer& container, PX::RollPanelState initialState) {
    PX::RollPanel* panel = container.CreateRollPanel(PK::GrowType::HVGrow, this, initialState);
    ATC_ASSERT(panel != nullptr, "panel != nullptr");
    return *panel;
}

void Palette::ObserveConnection(const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    if (conn != nullptr) {
        conn->Attach(static_cast<Model::ConnectionWithSpecificationObserver&>(*this));
    }
}

// ---- Panel ---------------------------------------------------------------------------------------

void Palette::PanelCloseRequested(const PK::PanelCloseRequestEvent&, bool* accepted) {
    try {
        if (!_closing) {
            _closing = true;
            Hide();
            EndEventProcessing();
            // The palette is in the middle of its own event: it goes on a later turn.
            const QB::UInt64 generation = _generation;
            PostToMainLoop([generation] { DestroyIfStill(generation); });
        }
        if (accepted != nullptr) {
            *accepted = true;
        }
    }
    LOG_CATCH_ALL
}

// ---- Manager -------------------------------------------------------------------------------------

void Palette::ManagerEvent_SpecAssociationRequested(const std::shared_ptr<Model::Manager>& manager,
                                                    const QB::UniString& projectId,
                                                    const QB::UniString& projectTitle,
                                                    const QB::UniString& specificationId,
                                                    const QB::UniString& specificationTitle,
                                                    const QB::UniString& specificationClassificationType) {
    const ConnectRequest request{projectId, projectTitle, specificationId, specificationTitle,
                                 specificationClassificationType};
    PostToMainLoop([manager, request] {
        RunConnectWorkflow(manager, request,
                           [](const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
                               if (Palette* palette = Instance()) {
                                   palette->ObserveConnection(conn);
                               }
                           });
    });
}

void Palette::ManagerEvent_ConnectionWillDisconnect(
    const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    ObserveConnection(conn);
}

void Palette::ManagerEvent_SelectedConnectionChanged(
    const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    _observedConn.Switch(conn);
}

void Palette::ManagerEvent_CorruptedData() {
    if (_manager->TakeUnannouncedCorruptedData()) {
        PostAlert(Ids::AlertId::CorruptedData);
    }
}

void Palette::ManagerEvent_ConnectionDoesNotExist() {
    PostAlert(Ids::AlertId::ConnectionDoesNotExist);
}

// ---- Connections ---------------------------------------------------------------------------------

void Palette::ConnEvent_PropertyManagerNotReserved(
    const std::shared_ptr<Model::ConnectionWithSpecification>&) {
    PostAlert(Ids::AlertId::PropertyManagerNotReserved);
}

void Palette::ConnEvent_ClassificationManagerNotReserved(
    const std::shared_ptr<Model::ConnectionWithSpecification>&) {
    PostAlert(Ids::AlertId::ClassificationManagerNotReserved);
}

void Palette::ConnEvent_OperationFailed(const std::shared_ptr<Model::ConnectionWithSpecification>& conn,
                                        const std::shared_ptr<Model::Issue::Base>& issue) {
    const QB::UniString text =
        issue != nullptr && conn != nullptr ? issue->GetString(*conn) : QB::UniString();
    PostAlert(Ids::AlertId::OperationFailed, {text});
}

} // namespace TesselConnect::UI
