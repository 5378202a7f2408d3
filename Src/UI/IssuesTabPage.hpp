#pragma once

// The fourth panel of the palette: the issues of the manager's selected connection, sorted by
// text, each row with its severity icon; the panel title counts them and the panel icon shows the
// worst severity. The user selects and zooms to an issue's elements, opens its view (double
// click), removes or fixes it, and consolidates all issues and clauses.
//
// Owned by the palette (shared pointer) and living as long as it; observes the manager and the
// selected connection. Main thread only. Every event handler catches and logs what fails.

#include "Model/ConnectionWithSpecification.hpp"
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
class IssuesTabPage : public PK::TabPage,
                      public Model::ManagerObserver,
                      public Model::ConnectionWithSpecificationObserver,
                      public PK::PanelObserver,
                      public PK::CompoundItemObserver,
                      public PK::ButtonItemObserver,
                      public PK::ListBoxObserver {
public:
    IssuesTabPage(PX::RollPanel& rollPanel, const std::shared_ptr<Model::Manager>& manager);
    ~IssuesTabPage() override;

    // ---- Panel and items ----
    void PanelOpened(const PK::PanelOpenEvent& ev) override;
    void PanelResized(const PK::PanelResizeEvent& ev) override;
    void ButtonClicked(const PK::ButtonClickEvent& ev) override;
    void ListBoxSelectionChanged(const PK::ListBoxSelectionEvent& ev) override;
    void ListBoxClicked(const PK::ListBoxClickEvent& ev) override;
    void ListBoxDoubleClicked(const PK::ListBoxDoubleClickEvent& ev) override;

    // ---- Model ----
    void ManagerEvent_SelectedConnectionChanged(
        const std::shared_ptr<Model::ConnectionWithSpecification>& conn) override;
    void ManagerEvent_SelectionChanged(const Model::SelectionCache& selectionCache) override;
    void ConnEvent_IssuesChanged(const std::shared_ptr<Model::ConnectionWithSpecification>& conn) override;
    void
    ConnEvent_VirtualTypesChanged(const std::shared_ptr<Model::ConnectionWithSpecification>& conn) override;

private:
    using IssueRecord = Model::ConnectionWithSpecification::IssueWithText;

    void FollowConnection(const std::shared_ptr<Model::ConnectionWithSpecification>& conn);
    void RebuildList();
    void ShowTitleAndIcon();
    void DisableIssueButtons();
    // Enables the buttons that suit the selected row's issue; with `targetClauseRow` the clause
    // page selects the row of the issue's virtual type as well.
    void UpdateButtons(bool targetClauseRow);
    void SelectIssueElements(bool zoom);
    void RemoveSelectedIssue();
    void FixSelectedIssue();
    void OpenIssueView(QB::Int32 row);
    void PostConsolidation();

    // The record of the selected row for buttons 2 and 3; throws AddonRuntimeError without one.
    const IssueRecord& SelectedRecordOrThrow() const;
    // The record of `row` for the other actions; nullptr (logged above the row count) otherwise.
    const IssueRecord* RecordOfRow(QB::Int32 row) const;

    PX::RollPanel& _rollPanel;
    PK::SingleSelListBox _list;
    PK::IconButton _selectButton;
    PK::IconButton _zoomButton;
    PK::IconButton _consolidateButton;
    PK::TextItem _selectedLabel;
    PK::TextItem _selectedCount;
    PK::TextItem _editableLabel;
    PK::TextItem _editableCount;
    PK::IconButton _removeButton;
    PK::IconButton _fixButton;

    QB::Array<IssueRecord> _issueBases;
    QB::UniString _titleTemplate;
    std::shared_ptr<Model::Manager> _manager;
    ObservedConnection _selectedConn;
};
#pragma GCC diagnostic pop

} // namespace TesselConnect::UI
