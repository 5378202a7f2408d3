#pragma once

// The third panel of the palette, "Disassociated elements": one row per element type that has
// elements in the current view without an association of the selected connection, with their
// number, ordered by the type's display name. The user selects or zooms to those elements and
// refreshes the list. Rows follow the connection's unassociated-elements cache incrementally; the
// list is rebuilt only on refresh, panel opening and a change of the selected connection.
//
// Owned by the palette (shared pointer) and living as long as it; observes the manager and the
// selected connection. Main thread only. Every event handler catches and logs what fails.

#include "Model/ConnectionWithSpecificationObserver.hpp"
#include "Model/ElementType.hpp"
#include "Model/Manager/ManagerObserver.hpp"
#include "UI/ObservedConnection.hpp"

#include <PK/Button.hpp>
#include <PK/ListBox.hpp>
#include <PK/Panel.hpp>
#include <PK/TabPage.hpp>
#include <PK/TextItem.hpp>
#include <PX/RollDownPalette.hpp>

#include <QB/Array.hpp>
#include <QB/HashSet.hpp>
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
class UnassociatedElementsTabPage : public PK::TabPage,
                                    public Model::ManagerObserver,
                                    public Model::ConnectionWithSpecificationObserver,
                                    public PK::PanelObserver,
                                    public PK::CompoundItemObserver,
                                    public PK::ButtonItemObserver,
                                    public PK::ListBoxObserver {
public:
    UnassociatedElementsTabPage(PX::RollPanel& rollPanel, const std::shared_ptr<Model::Manager>& manager);
    ~UnassociatedElementsTabPage() override;

    // Empties the list and has the observed connection's cache rebuilt; the rows come back through
    // the cache's change notification.
    void RefreshUnassociatedElements();

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
    ConnEvent_UnassociatedElementTypeChanged(const std::shared_ptr<Model::ConnectionWithSpecification>& conn,
                                             const QB::HashSet<Model::ElementType>& types) override;

private:
    void FollowConnection(const std::shared_ptr<Model::ConnectionWithSpecification>& conn);
    void UpdateRow(const Model::ElementType& type, QB::USize count);
    QB::UniString RowText(const QB::UniString& typeName, QB::USize count) const;
    QB::UniString TypeName(const Model::ElementType& type) const;
    void RefreshButtons();
    void SelectElementsOfSelectedType(bool zoom);

    PX::RollPanel& _rollPanel;
    PK::SingleSelListBox _list;
    PK::IconButton _selectButton;
    PK::IconButton _zoomButton;
    PK::IconButton _refreshButton;
    PK::TextItem _selectedLabel;
    PK::TextItem _selectedCount;
    PK::TextItem _editableLabel;
    PK::TextItem _editableCount;

    // Row n (from 1) shows _unassociatedTypes[n - 1], named _typeNames[n - 1].
    QB::Array<Model::ElementType> _unassociatedTypes;
    QB::Array<QB::UniString> _typeNames;
    QB::UniString _rowTemplate;
    std::shared_ptr<Model::Manager> _manager;
    ObservedConnection _conn;
};
#pragma GCC diagnostic pop

} // namespace TesselConnect::UI
