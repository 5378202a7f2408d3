#include "UI/BrowserTabPage.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Manager/Manager.hpp"
#include "Model/TesselPtr.hpp"
#include "Tessel/Implementation/TesselBrowser.hpp"
#include "UI/AddonResModule.hpp"
#include "UI/PageLayout.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Vantrel.hpp"

namespace TesselConnect::UI {

namespace {

namespace Ids = Util::Resource;

constexpr QB::Int32 BrowserItemIndex = 1;
constexpr QB::Int32 HomeButtonItem = 2;
constexpr QB::Int32 ReloadButtonItem = 3;
constexpr QB::Int32 GuidesButtonItem = 4;
constexpr QB::Int32 ConnectionsItem = 5;

} // namespace

BrowserTabPage::BrowserTabPage(PX::RollPanel& rollPanel, const std::shared_ptr<Model::Manager>& manager)
    : PK::TabPage(rollPanel, GetAddonResModule(), Ids::DialogId::BrowserTabPage),
      _browserItem(*this, BrowserItemIndex), _homeButton(*this, HomeButtonItem),
      _reloadButton(*this, ReloadButtonItem), _guidesButton(*this, GuidesButtonItem),
      _connections(*this, ConnectionsItem), _browser(std::make_shared<Implementation::TesselBrowser>()),
      _manager(manager), _selectedConn(*this) {
    rollPanel.SetTitle(_manager->GetVantrel()->GetResourceString(Ids::Text::BrowserTabTitle));
    _manager->ResetTesselApi(_browser);
    _manager->AttachObserver(*this);
    Attach(static_cast<PK::PanelObserver&>(*this));
    AttachToAllItems(*this);
}

BrowserTabPage::~BrowserTabPage() {
    DetachFromAllItems(*this);
    Detach(static_cast<PK::PanelObserver&>(*this));
    _manager->DetachObserver(*this);
    // The browser goes with the page; the model must not find it any more.
    if (_manager->GetTesselPtr()->Get() == _browser) {
        _manager->ResetTesselApi(nullptr);
    }
}

// ---- Panel and items -----------------------------------------------------------------------------

void BrowserTabPage::PanelOpened(const PK::PanelOpenEvent&) {
    try {
        _browser->InitCallbacks();
    }
    LOG_CATCH_ALL
    try {
        RefillConnections();
        _selectedConn.Switch(_manager->GetSelectedConnection());
    }
    LOG_CATCH_ALL
}

void BrowserTabPage::PanelResized(const PK::PanelResizeEvent& ev) {
    try {
        const QB::Int32 dw = ev.GetHorizontalChange();
        _browserItem.Resize(dw, ev.GetVerticalChange());
        _reloadButton.Move(dw, 0);
        _guidesButton.Move(dw, 0);
        _connections.Resize(dw, 0);
    }
    LOG_CATCH_ALL
}

void BrowserTabPage::ButtonClicked(const PK::ButtonClickEvent& ev) {
    try {
        // The host's undo and redo change the project unannounced: act on what it holds now.
        _manager->FollowProject();
        DispatchClick(ev.GetSource(),
                      {{&_homeButton,
                        [this] {
                            _browser->GotoHome();
                            _manager->ResetSelectedConnection(nullptr);
                        }},
                       {&_reloadButton,
                        [this] {
                            _browser->ReloadAndClearCache();
                            _browser->GotoHome();
                            _manager->SendAllStates();
                        }},
                       {&_guidesButton, [this] {
                            LOG_DEBUG("Info button was clicked on browser page. Dump of Manager: {}",
                                      Model::ToString(*_manager));
                            _browser->GotoInfoPage();
                        }}});
    }
    LOG_CATCH_ALL
}

void BrowserTabPage::PopUpChanged(const PK::PopUpChangeEvent& ev) {
    try {
        SelectConnectionOfEntry(ev.GetSource()->GetSelectedItem());
    }
    LOG_CATCH_ALL
}

// ---- Model ---------------------------------------------------------------------------------------

void BrowserTabPage::ManagerEvent_OnlineStateChanged(bool online) {
    LOG_TRACE("BrowserTabPage::ManagerEvent_OnlineStateChanged: {}", online);
    _browser->GotoHome();
}

void BrowserTabPage::ManagerEvent_SelectedConnectionChanged(
    const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    _selectedConn.Switch(conn);
    RefillConnections();
}

void BrowserTabPage::ManagerEvent_ConnectionsChanged() {
    RefillConnections();
}

void BrowserTabPage::ConnEvent_TitlesChanged(const std::shared_ptr<Model::ConnectionWithSpecification>&) {
    RefillConnections();
}

// ---- Connections pop-up --------------------------------------------------------------------------

void BrowserTabPage::RefillConnections() {
    _listedConnections.Clear();
    _connections.DeleteAllItems();
    const auto connections = _manager->GetConnections();
    const auto selected = _manager->GetSelectedConnection();
    const QB::UniString line = _manager->GetVantrel()->GetResourceString(Ids::Text::ConnectionLine);
    bool selectedListed = false;
    for (const auto& conn : connections) {
        _listedConnections.Push(conn);
        const QB::Int32 entry = _connections.AppendItem(conn->ResolveStringVariables(line));
        if (selected != nullptr && conn->TesselSpecificationId() == selected->TesselSpecificationId()) {
            _connections.SelectItem(entry);
            selectedListed = true;
        }
    }
    if (!selectedListed) {
        const QB::Int32 entry = _connections.AppendItem(
            _manager->GetVantrel()->GetResourceString(Ids::Text::NoSpecificationSelected));
        _connections.SelectItem(entry);
    }
}

void BrowserTabPage::SelectConnectionOfEntry(QB::Int32 entry) {
    _browser->GotoHome();
    const std::optional<QB::USize> index = RowIndex(
        entry, _listedConnections.GetSize(), "static_cast<USize>(sel) <= this->_listedConnections.GetSize()");
    if (!index) {
        return;
    }
    // Looked up again: the entry may name a connection that has gone meanwhile, the host's undo
    // and redo included (following the project refills the entries, so the entry is read first).
    const QB::UniString specId = _listedConnections[*index]->TesselSpecificationId();
    _manager->FollowProject();
    _manager->ResetSelectedConnection(_manager->GetConnection(specId));
}

} // namespace TesselConnect::UI
