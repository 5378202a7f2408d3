#pragma once

// The first panel of the palette, "Connect and Navigate": the Tessel web application in the
// browser, buttons to go home, reload and open the tool guides, and a pop-up of the project's
// connected specifications that selects the manager's connection.
//
// Owned by the palette (shared pointer). The page owns the browser and hands it to the manager,
// which keeps only a weak reference, so the page can go while the model stays. Observes the
// manager and its selected connection. Main thread only. Every event handler catches and logs
// what fails.

#include "Model/ConnectionWithSpecificationObserver.hpp"
#include "Model/Manager/ManagerObserver.hpp"
#include "UI/ObservedConnection.hpp"

#include <PK/BrowserItem.hpp>
#include <PK/Button.hpp>
#include <PK/Panel.hpp>
#include <PK/PopUp.hpp>
#include <PK/TabPage.hpp>
#include <PX/RollDownPalette.hpp>

#include <QB/Array.hpp>
#include <QB/UniString.hpp>

#include <memory>

namespace TesselConnect::Implementation {
class TesselBrowser;
}

namespace TesselConnect::Model {
class Manager;
}

namespace TesselConnect::UI {

// The dialog library's observers share QB::EventObserver as a virtual base, the model's observers
// each have their own; the class is only ever attached through one of its observer interfaces,
// never as a bare QB::EventObserver, so the duplicate base is never converted to.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winaccessible-base"
class BrowserTabPage : public PK::TabPage,
                       public PK::PanelObserver,
                       public PK::CompoundItemObserver,
                       public PK::ButtonItemObserver,
                       public PK::PopUpObserver,
                       public Model::ManagerObserver,
                       public Model::ConnectionWithSpecificationObserver {
public:
    BrowserTabPage(PX::RollPanel& rollPanel, const std::shared_ptr<Model::Manager>& manager);
    ~BrowserTabPage() override;

    const std::shared_ptr<Implementation::TesselBrowser>& GetBrowser() const noexcept { return _browser; }

    // ---- Panel and items ----
    void PanelOpened(const PK::PanelOpenEvent& ev) override;
    void PanelResized(const PK::PanelResizeEvent& ev) override;
    void ButtonClicked(const PK::ButtonClickEvent& ev) override;
    void PopUpChanged(const PK::PopUpChangeEvent& ev) override;

    // ---- Model ----
    void ManagerEvent_OnlineStateChanged(bool online) override;
    void ManagerEvent_SelectedConnectionChanged(
        const std::shared_ptr<Model::ConnectionWithSpecification>& conn) override;
    void ManagerEvent_ConnectionsChanged() override;
    void ConnEvent_TitlesChanged(const std::shared_ptr<Model::ConnectionWithSpecification>& conn) override;

private:
    void RefillConnections();
    void SelectConnectionOfEntry(QB::Int32 entry);

    PK::BrowserItem _browserItem;
    PK::IconButton _homeButton;
    PK::IconButton _reloadButton;
    PK::IconButton _guidesButton;
    PK::PopUp _connections;
    std::shared_ptr<Implementation::TesselBrowser> _browser;
    // The connections of the pop-up's entries, in entry order. Held so that following the project
    // reads each again when its record changes (an undone rename): one nobody holds is not followed,
    // and its entry would keep the titles it was listed with.
    QB::Array<std::shared_ptr<Model::ConnectionWithSpecification>> _listedConnections;
    std::shared_ptr<Model::Manager> _manager;
    ObservedConnection _selectedConn;
};
#pragma GCC diagnostic pop

} // namespace TesselConnect::UI
