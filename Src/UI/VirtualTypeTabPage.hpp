#pragma once

// The second panel of the palette, "Used clauses History": one row per virtual type (clause) of
// the manager's selected connection. The user selects or zooms to a clause's elements, and
// associates the selected elements with the clause or removes their association.
//
// Owned by the palette (shared pointer) and living as long as it; observes the manager and the
// selected connection. Main thread only. Every event handler catches and logs what fails.

#include "Model/ConnectionWithSpecificationObserver.hpp"
#include "Model/Manager/ManagerObserver.hpp"
#include "UI/ObservedConnection.hpp"

#include <PK/Button.hpp>
#include <PK/ListBox.hpp>
#include <PK/Panel.hpp>
#include <PK/TabPage.hpp>
#include <PK/TextItem.hpp>
#include <PX/RollDownPalette.hpp>

#include <QB/Array.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <memory>

namespace TesselConnect::Model {
class Manager;
}

namespace TesselConnect::UI {

// The dialog library's observers share QB::EventObserver as a virtual base, the model's observers
// each have their own; the class is only ever attached through one of its observer interfaces,
// never as a bare QB::EventObserver, so the duplicate base is never converted to.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winaccessible-base"
class VirtualTypeTabPage : public PK::TabPage,
                           public Model::ManagerObserver,
                           public Model::ConnectionWithSpecificationObserver,
                           public PK::PanelObserver,
                           public PK::CompoundItemObserver,
                           public PK::ButtonItemObserver,
                           public PK::ListBoxObserver {
public:
    VirtualTypeTabPage(PX::RollPanel& rollPanel, const std::shared_ptr<Model::Manager>& manager);
    ~VirtualTypeTabPage() override;

    // Selects the row of the virtual type, when it is listed (the issues tab points at the clause
    // of the issue the user selected there).
    void SelectRowOfVirtualType(const QB::UniString& virtualTypeId);

    // ---- Panel and items ----
    void PanelOpened(const PK::PanelOpenEvent& ev) override;
    void PanelResized(const PK::PanelResizeEvent& ev) override;
    void ButtonClicked(const PK::ButtonClickEvent& ev) override;
    void ListBoxSelectionChanged(const PK::ListBoxSelectionEvent& ev) override;

    // ---- Model ----
    void ManagerEvent_SelectedConnectionChanged(
        const std::shared_ptr<Model::ConnectionWithSpecification>& conn) override;
    void ManagerEvent_SelectionChanged(const Model::SelectionCache& selectionCache) override;
    void
    ConnEvent_VirtualTypesChanged(const std::shared_ptr<Model::ConnectionWithSpecification>& conn) override;

private:
    void FollowConnection(const std::shared_ptr<Model::ConnectionWithSpecification>& conn);
    void RebuildList();
    void RefreshButtons();
    // The id of the selected row's virtual type when the observed connection still has it; empty
    // (and logged where that is a fault) otherwise.
    QB::UniString SelectedVirtualTypeId() const;
    void SelectElementsOfSelectedClause(bool zoom);
    void AssociateSelection();
    void DisassociateSelection();

    PX::RollPanel& _rollPanel;
    PK::SingleSelListBox _list;
    PK::IconButton _selectButton;
    PK::IconButton _zoomButton;
    PK::TextItem _selectedLabel;
    PK::TextItem _selectedCount;
    PK::TextItem _editableLabel;
    PK::TextItem _editableCount;
    PK::Button _associateButton;
    PK::Button _disassociateButton;

    QB::Array<QB::UniString> _virtualTypeIds;
    QB::UniString _rowTemplate;
    std::shared_ptr<Model::Manager> _manager;
    ObservedConnection _conn;
};
#pragma GCC diagnostic pop

} // namespace TesselConnect::UI
