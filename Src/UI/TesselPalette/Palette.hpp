#pragma once

// The add-on's one modeless palette: a roll-down palette with four panels (browser, used clauses,
// disassociated elements, workflow issues), each holding one tab page. It observes the manager and
// the selected connection, turns their failures into alerts and runs the connect workflow that the
// page's connect request starts.
//
// Callers: the add-on shell (Open, HandleControlMessage, Destroy, Exists) on the host's main thread.
// The palette exists at most once per process; a process-wide holder owns it. Everything that shows
// a dialog or an alert is posted to the host's message loop, never run inside the triggering event.
//
// Errors: construction throws AddonRuntimeError when the host's roll-down library gives no surface,
// container or panel; Open passes that on. The other entry points and every observer reaction
// catch and log what fails.

#include "Model/ConnectionWithSpecificationObserver.hpp"
#include "Model/Manager/ManagerObserver.hpp"
#include "UI/ObservedConnection.hpp"
#include "UI/TesselPalette/MenuItemMark.hpp"

#include <PK/Dialog.hpp>
#include <PK/Item.hpp>
#include <PX/RollDownPalette.hpp>

#include <QB/Guid.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <memory>
#include <optional>

namespace TesselConnect::Model {
class Manager;
namespace Issue {
class Base;
}
} // namespace TesselConnect::Model

namespace TesselConnect::UI {

class BrowserTabPage;
class IssuesTabPage;
class UnassociatedElementsTabPage;
class VirtualTypeTabPage;

// The dialog library's observers share QB::EventObserver as a virtual base, the model's observers
// each have their own; the class is only ever attached through one of its observer interfaces,
// never as a bare QB::EventObserver, so the duplicate base is never converted to.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winaccessible-base"
class Palette : public PX::RollDownPalette,
                public PK::PanelObserver,
                public PK::CompoundItemObserver,
                public PX::RollPanelObserver,
                public Model::ManagerObserver,
                public Model::ConnectionWithSpecificationObserver {
public:
    static constexpr QB::Int32 ResId = 32401;
    static const QB::Guid Guid; // "{7a4bcdda-da8d-459c-b356-a815f02c5df4}"

    // Builds the palette over the manager on first use, then shows it.
    static void Open(const std::shared_ptr<Model::Manager>& manager);
    // The host's palette control messages 1-7; always answers 0.
    static QB::Int32 HandleControlMessage(QB::Int32 messageId, bool* visibleOut);
    // Hides and deletes the palette, if there is one.
    static void Destroy();
    static bool Exists();

    ~Palette() override;

    // The open palette's clause page (the issues tab points at clauses there); empty without one.
    std::shared_ptr<VirtualTypeTabPage> GetVirtualTypeTabPage() const { return _virtualTypePage; }
    std::shared_ptr<BrowserTabPage> GetBrowserTabPage() const { return _browserPage; }

    // ---- Panel ----
    void PanelCloseRequested(const PK::PanelCloseRequestEvent& ev, bool* accepted) override;

    // ---- Manager ----
    void ManagerEvent_SpecAssociationRequested(const std::shared_ptr<Model::Manager>& manager,
                                               const QB::UniString& projectId,
                                               const QB::UniString& projectTitle,
                                               const QB::UniString& specificationId,
                                               const QB::UniString& specificationTitle,
                                               const QB::UniString& specificationClassificationType) override;
    void ManagerEvent_ConnectionWillDisconnect(
        const std::shared_ptr<Model::ConnectionWithSpecification>& conn) override;
    void ManagerEvent_SelectedConnectionChanged(
        const std::shared_ptr<Model::ConnectionWithSpecification>& conn) override;
    void ManagerEvent_CorruptedData() override;
    void ManagerEvent_ConnectionDoesNotExist() override;

    // ---- Connections ----
    void ConnEvent_PropertyManagerNotReserved(
        const std::shared_ptr<Model::ConnectionWithSpecification>& conn) override;
    void ConnEvent_ClassificationManagerNotReserved(
        const std::shared_ptr<Model::ConnectionWithSpecification>& conn) override;
    void ConnEvent_OperationFailed(const std::shared_ptr<Model::ConnectionWithSpecification>& conn,
                                   const std::shared_ptr<Model::Issue::Base>& issue) override;

private:
    explicit Palette(const std::shared_ptr<Model::Manager>& manager);

    // The holder's palette; nullptr while there is none.
    static Palette* Instance() noexcept;
    // Destroys the palette of that construction only (a later one stays).
    static void DestroyIfStill(QB::UInt64 generation);

    PX::RollPanel& CreateRollPanel(PX::RollPanelContainer& container, PX::RollPanelState initialState);
    // The palette hears this connection's events as well (until it is destroyed).
    void ObserveConnection(const std::shared_ptr<Model::ConnectionWithSpecification>& conn);

    std::shared_ptr<Model::Manager> _manager;
    QB::UInt64 _generation;
    ObservedConnection _observedConn;
    std::optional<MenuItemMark> _menuItemMark;
    PX::RollPanel* _browserPanel = nullptr;
    PX::RollPanel* _virtualTypePanel = nullptr;
    PX::RollPanel* _unassociatedPanel = nullptr;
    PX::RollPanel* _issuesPanel = nullptr;
    std::shared_ptr<BrowserTabPage> _browserPage;
    std::shared_ptr<VirtualTypeTabPage> _virtualTypePage;
    std::shared_ptr<UnassociatedElementsTabPage> _unassociatedPage;
    std::shared_ptr<IssuesTabPage> _issuesPage;
    bool _closing = false;
};
#pragma GCC diagnostic pop

} // namespace TesselConnect::UI
