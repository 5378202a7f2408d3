#include "UI/VirtualTypeTabPage.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Manager/Manager.hpp"
#include "Model/SelectionCache.hpp"
#include "Model/VirtualType.hpp"
#include "UI/AddonResModule.hpp"
#include "UI/ElementSelection.hpp"
#include "UI/PageLayout.hpp"
#include "UI/SelectionCounters.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <initializer_list>

namespace TesselConnect::UI {

namespace {

namespace Ids = Util::Resource;

constexpr QB::Int32 ListItem = 1;
constexpr QB::Int32 SelectButtonItem = 2;
constexpr QB::Int32 ZoomButtonItem = 3;
constexpr QB::Int32 SelectedLabelItem = 4;
constexpr QB::Int32 SelectedCountItem = 5;
constexpr QB::Int32 EditableLabelItem = 6;
constexpr QB::Int32 EditableCountItem = 7;
constexpr QB::Int32 AssociateButtonItem = 8;
constexpr QB::Int32 DisassociateButtonItem = 9;
constexpr QB::Int32 ClauseColumn = 1;

} // namespace

VirtualTypeTabPage::VirtualTypeTabPage(PX::RollPanel& rollPanel,
                                       const std::shared_ptr<Model::Manager>& manager)
    : PK::TabPage(rollPanel, GetAddonResModule(), Ids::DialogId::VirtualTypeTabPage), _rollPanel(rollPanel),
      _list(*this, ListItem), _selectButton(*this, SelectButtonItem), _zoomButton(*this, ZoomButtonItem),
      _selectedLabel(*this, SelectedLabelItem), _selectedCount(*this, SelectedCountItem),
      _editableLabel(*this, EditableLabelItem), _editableCount(*this, EditableCountItem),
      _associateButton(*this, AssociateButtonItem), _disassociateButton(*this, DisassociateButtonItem),
      _rowTemplate(manager->GetVantrel()->GetResourceString(Ids::Text::ClauseLine)), _manager(manager),
      _conn(*this) {
    SpanSingleColumn(_list);
    _rollPanel.SetTitle(_manager->GetVantrel()->GetResourceString(Ids::Text::VirtualTypesTabTitle));
    RefreshButtons();
    _manager->AttachObserver(*this);
    Attach(static_cast<PK::PanelObserver&>(*this));
    AttachToAllItems(*this);
}

VirtualTypeTabPage::~VirtualTypeTabPage() {
    DetachFromAllItems(*this);
    Detach(static_cast<PK::PanelObserver&>(*this));
    _manager->DetachObserver(*this);
}

void VirtualTypeTabPage::SelectRowOfVirtualType(const QB::UniString& virtualTypeId) {
    const QB::USize index = _virtualTypeIds.FindFirst(virtualTypeId);
    if (index == QB::MaxUSize || index >= static_cast<QB::USize>(_list.GetItemCount())) {
        return;
    }
    _list.SelectItem(static_cast<QB::Int32>(index) + 1);
    RefreshButtons();
}

// ---- Panel and items -----------------------------------------------------------------------------

void VirtualTypeTabPage::PanelOpened(const PK::PanelOpenEvent&) {
    try {
        _rollPanel.SetInactive();
        ManagerEvent_SelectionChanged(_manager->GetSelectionCache());
        FollowConnection(_manager->GetSelectedConnection());
    }
    LOG_CATCH_ALL
}

void VirtualTypeTabPage::PanelResized(const PK::PanelResizeEvent& ev) {
    try {
        const QB::Int32 dw = ev.GetHorizontalChange();
        const QB::Int32 dh = ev.GetVerticalChange();
        ResizeListWithColumn(_list, dw, dh);
        MoveItems({&_selectButton, &_zoomButton, &_selectedLabel, &_selectedCount, &_editableLabel,
                   &_editableCount},
                  0, dh);
        _associateButton.MoveAndResize(0, dh, dw, 0);
        _disassociateButton.Move(dw, dh);
    }
    LOG_CATCH_ALL
}

void VirtualTypeTabPage::ButtonClicked(const PK::ButtonClickEvent& ev) {
    try {
        // The host's undo and redo change the project unannounced: act on what it holds now.
        _manager->FollowProject();
        DispatchClick(ev.GetSource(), {{&_selectButton, [this] { SelectElementsOfSelectedClause(false); }},
                                       {&_zoomButton, [this] { SelectElementsOfSelectedClause(true); }},
                                       {&_associateButton, [this] { AssociateSelection(); }},
                                       {&_disassociateButton, [this] { DisassociateSelection(); }}});
    }
    LOG_CATCH_ALL
}

void VirtualTypeTabPage::ListBoxSelectionChanged(const PK::ListBoxSelectionEvent&) {
    try {
        RefreshButtons();
    }
    LOG_CATCH_ALL
}

// ---- Model ---------------------------------------------------------------------------------------

void VirtualTypeTabPage::ManagerEvent_SelectedConnectionChanged(
    const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    FollowConnection(conn);
}

void VirtualTypeTabPage::ManagerEvent_SelectionChanged(const Model::SelectionCache& selectionCache) {
    ShowSelectionCounts(CountWholeSelection(selectionCache), _selectedCount, _editableCount);
    RefreshButtons();
}

void VirtualTypeTabPage::ConnEvent_VirtualTypesChanged(
    const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    if (_conn.Is(conn)) {
        RebuildList();
    }
}

// ---- Rows and buttons ----------------------------------------------------------------------------

void VirtualTypeTabPage::FollowConnection(const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    FollowInPanel(_conn, _rollPanel, conn);
    RebuildList();
}

void VirtualTypeTabPage::RebuildList() {
    const QB::Int32 scrollPosition = _list.GetScrollPosition();
    _list.DeleteAllItems();
    _virtualTypeIds.Clear();
    if (const auto conn = _conn.Get()) {
        try {
            conn->ForEachVirtualType([this](Model::VirtualType& virtualType) {
                const QB::Int32 row = _list.AppendItem();
                _list.SetTabItemText(row, ClauseColumn,
                                     virtualType.GetTesselProperties().Format(_rowTemplate));
                _virtualTypeIds.Push(virtualType.GetVirtualTypeId());
            });
        }
        LOG_CATCH_ALL
    }
    RestoreScrollPosition(_list, scrollPosition);
    RefreshButtons();
}

void VirtualTypeTabPage::RefreshButtons() {
    for (PK::Item* item : std::initializer_list<PK::Item*>{&_selectButton, &_zoomButton, &_associateButton,
                                                           &_disassociateButton}) {
        item->Disable();
    }
    if (!RowIndex(_list.GetSelectedItem(), _virtualTypeIds.GetSize(),
                  "static_cast<USize>(sel) <= this->_virtualTypeIds.GetSize()")) {
        return;
    }
    _selectButton.Enable();
    _zoomButton.Enable();
    if (!_manager->GetSelectionCache().GetElements().IsEmpty()) {
        _associateButton.Enable();
        _disassociateButton.Enable();
    }
}

QB::UniString VirtualTypeTabPage::SelectedVirtualTypeId() const {
    const std::optional<QB::USize> index =
        RowIndex(_list.GetSelectedItem(), _virtualTypeIds.GetSize(),
                 "static_cast<USize>(selected) <= _virtualTypeIds.GetSize()");
    if (!index) {
        return {};
    }
    const auto& conn = _conn.Get();
    const QB::UniString& id = _virtualTypeIds[*index];
    if (conn == nullptr ||
        !ATC_EXPECT_ERROR(conn->HasVirtualType(id), "conn->HasVirtualType( _virtualTypeIds[selected - 1])")) {
        return {};
    }
    return id;
}

void VirtualTypeTabPage::SelectElementsOfSelectedClause(bool zoom) {
    const QB::UniString id = SelectedVirtualTypeId();
    if (id.IsEmpty()) {
        return;
    }
    const auto conn = _conn.Get();
    SelectElementsInHost(*_manager->GetVantrel(), conn->GetElementsOfVirtualType(id),
                         zoom ? ZoomAfterSelecting::Yes : ZoomAfterSelecting::No);
}

void VirtualTypeTabPage::AssociateSelection() {
    const QB::UniString id = SelectedVirtualTypeId();
    if (id.IsEmpty()) {
        return;
    }
    const auto conn = _conn.Get();
    // The elements are taken before the call: associating may change the host selection.
    const QB::Array<QB::Guid> elements = _manager->GetSelectionCache().GetElements();
    conn->Associate(id, Api::Properties{}, elements, false);
}

void VirtualTypeTabPage::DisassociateSelection() {
    const QB::UniString id = SelectedVirtualTypeId();
    if (id.IsEmpty()) {
        return;
    }
    const auto conn = _conn.Get();
    const QB::Array<QB::Guid> elements = _manager->GetSelectionCache().GetElements();
    conn->Disassociate(id, elements);
}

} // namespace TesselConnect::UI
