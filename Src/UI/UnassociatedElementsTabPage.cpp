#include "UI/UnassociatedElementsTabPage.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Manager/Manager.hpp"
#include "Model/SelectionCache.hpp"
#include "Model/UnassociatedElementsCache.hpp"
#include "UI/AddonResModule.hpp"
#include "UI/ElementSelection.hpp"
#include "UI/PageLayout.hpp"
#include "UI/SelectionCounters.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/Placeholder.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Structs/HostRecordText.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <algorithm>
#include <string_view>

namespace TesselConnect::UI {

namespace {

namespace Ids = Util::Resource;

constexpr QB::Int32 ListItem = 1;
constexpr QB::Int32 SelectButtonItem = 2;
constexpr QB::Int32 ZoomButtonItem = 3;
constexpr QB::Int32 RefreshButtonItem = 4;
constexpr QB::Int32 SelectedLabelItem = 5;
constexpr QB::Int32 SelectedCountItem = 6;
constexpr QB::Int32 EditableLabelItem = 7;
constexpr QB::Int32 EditableCountItem = 8;
constexpr QB::Int32 TypeColumn = 1;

constexpr const char* UnknownTypeName = "<unknown type>";
constexpr std::string_view UnassociatedRowCheck =
    "static_cast<USize>(sel) <= this->_unassociatedTypes.GetSize()";

} // namespace

UnassociatedElementsTabPage::UnassociatedElementsTabPage(PX::RollPanel& rollPanel,
                                                         const std::shared_ptr<Model::Manager>& manager)
    : PK::TabPage(rollPanel, GetAddonResModule(), Ids::DialogId::UnassociatedElementsTabPage),
      _rollPanel(rollPanel), _list(*this, ListItem), _selectButton(*this, SelectButtonItem),
      _zoomButton(*this, ZoomButtonItem), _refreshButton(*this, RefreshButtonItem),
      _selectedLabel(*this, SelectedLabelItem), _selectedCount(*this, SelectedCountItem),
      _editableLabel(*this, EditableLabelItem), _editableCount(*this, EditableCountItem),
      _rowTemplate(manager->GetVantrel()->GetResourceString(Ids::Text::ElementTypeCountLine)),
      _manager(manager), _conn(*this) {
    SpanSingleColumn(_list);
    _rollPanel.SetTitle(_manager->GetVantrel()->GetResourceString(Ids::Text::UnassociatedElementsTabTitle));
    RefreshButtons();
    _manager->AttachObserver(*this);
    Attach(static_cast<PK::PanelObserver&>(*this));
    AttachToAllItems(*this);
}

UnassociatedElementsTabPage::~UnassociatedElementsTabPage() {
    DetachFromAllItems(*this);
    Detach(static_cast<PK::PanelObserver&>(*this));
    _manager->DetachObserver(*this);
}

void UnassociatedElementsTabPage::RefreshUnassociatedElements() {
    _selectButton.Disable();
    _zoomButton.Disable();
    const QB::Int32 scrollPosition = _list.GetScrollPosition();
    _list.DeleteAllItems();
    _unassociatedTypes.Clear();
    _typeNames.Clear();
    if (const auto conn = _conn.Get()) {
        conn->GetUnassociatedElementsCache().Reset(true);
    }
    RestoreScrollPosition(_list, scrollPosition);
}

// ---- Panel and items -----------------------------------------------------------------------------

void UnassociatedElementsTabPage::PanelOpened(const PK::PanelOpenEvent&) {
    try {
        _rollPanel.SetInactive();
        ManagerEvent_SelectionChanged(_manager->GetSelectionCache());
        RefreshUnassociatedElements();
        FollowConnection(_manager->GetSelectedConnection());
    }
    LOG_CATCH_ALL
}

void UnassociatedElementsTabPage::PanelResized(const PK::PanelResizeEvent& ev) {
    try {
        const QB::Int32 dw = ev.GetHorizontalChange();
        const QB::Int32 dh = ev.GetVerticalChange();
        ResizeListWithColumn(_list, dw, dh);
        MoveItems({&_selectButton, &_zoomButton, &_selectedLabel, &_selectedCount, &_editableLabel,
                   &_editableCount},
                  0, dh);
        _refreshButton.Move(dw, dh);
    }
    LOG_CATCH_ALL
}

void UnassociatedElementsTabPage::ButtonClicked(const PK::ButtonClickEvent& ev) {
    try {
        // The host's undo and redo change the project unannounced: act on what it holds now.
        _manager->FollowProject();
        DispatchClick(ev.GetSource(), {{&_selectButton, [this] { SelectElementsOfSelectedType(false); }},
                                       {&_zoomButton, [this] { SelectElementsOfSelectedType(true); }},
                                       {&_refreshButton, [this] { RefreshUnassociatedElements(); }}});
    }
    LOG_CATCH_ALL
}

void UnassociatedElementsTabPage::ListBoxSelectionChanged(const PK::ListBoxSelectionEvent&) {
    try {
        RefreshButtons();
    }
    LOG_CATCH_ALL
}

// ---- Model ---------------------------------------------------------------------------------------

void UnassociatedElementsTabPage::ManagerEvent_SelectedConnectionChanged(
    const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    FollowConnection(conn);
}

void UnassociatedElementsTabPage::ManagerEvent_SelectionChanged(const Model::SelectionCache& selectionCache) {
    ShowSelectionCounts(CountWholeSelection(selectionCache), _selectedCount, _editableCount);
}

void UnassociatedElementsTabPage::ConnEvent_UnassociatedElementTypeChanged(
    const std::shared_ptr<Model::ConnectionWithSpecification>& conn,
    const QB::HashSet<Model::ElementType>& types) {
    if (!_conn.Is(conn)) {
        return;
    }
    const Model::UnassociatedElementsCache& cache = conn->GetUnassociatedElementsCache();
    for (const Model::ElementType& type : types) {
        try {
            UpdateRow(type, cache.GetCount(type));
        }
        LOG_CATCH_ALL
    }
    RefreshButtons();
}

// ---- Rows and buttons ----------------------------------------------------------------------------

void UnassociatedElementsTabPage::FollowConnection(
    const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    // Rebuilding enumerates the whole view, so it is saved for a real change.
    if (FollowInPanel(_conn, _rollPanel, conn)) {
        RefreshUnassociatedElements();
    }
}

void UnassociatedElementsTabPage::UpdateRow(const Model::ElementType& type, QB::USize count) {
    const QB::USize listed = _unassociatedTypes.FindFirst(type);
    if (listed == QB::MaxUSize) {
        if (count == 0) {
            return;
        }
        const QB::UniString name = TypeName(type);
        // Rows stay ordered by name; a new type goes after the rows of an equal name.
        const auto position = static_cast<QB::USize>(
            std::upper_bound(_typeNames.begin(), _typeNames.end(), name) - _typeNames.begin());
        const auto row = static_cast<QB::Int32>(position) + 1;
        _list.InsertItem(row);
        _list.SetTabItemText(row, TypeColumn, RowText(name, count));
        _unassociatedTypes.Insert(position, type);
        _typeNames.Insert(position, name);
        return;
    }
    const auto row = static_cast<QB::Int32>(listed) + 1;
    if (count == 0) {
        _list.DeleteItem(row);
        _unassociatedTypes.Delete(listed);
        _typeNames.Delete(listed);
    } else {
        _list.SetTabItemText(row, TypeColumn, RowText(_typeNames[listed], count));
    }
}

QB::UniString UnassociatedElementsTabPage::RowText(const QB::UniString& typeName, QB::USize count) const {
    return Util::Resource::ReplacePlaceholders(
        _rowTemplate, {{Util::Resource::PlaceholderName::TypeName, typeName},
                       {Util::Resource::PlaceholderName::ElemCount, QB::ValueToUniString(count)}});
}

QB::UniString UnassociatedElementsTabPage::TypeName(const Model::ElementType& type) const {
    const auto name = Model::ElementTypeTable::FindName(type);
    if (!ATC_EXPECT_ERROR(name.has_value(), "ElementTypeTable::FindName(type), type({})",
                          Api::ElemTypeIdName(type.typeID))) {
        return UnknownTypeName;
    }
    return _manager->GetVantrel()->GetResourceString(*name);
}

void UnassociatedElementsTabPage::RefreshButtons() {
    _selectButton.Disable();
    _zoomButton.Disable();
    if (!RowIndex(_list.GetSelectedItem(), _unassociatedTypes.GetSize(), UnassociatedRowCheck)) {
        return;
    }
    _selectButton.Enable();
    _zoomButton.Enable();
}

void UnassociatedElementsTabPage::SelectElementsOfSelectedType(bool zoom) {
    const auto conn = _conn.Get();
    if (conn == nullptr) {
        return;
    }
    const std::optional<QB::USize> index =
        RowIndex(_list.GetSelectedItem(), _unassociatedTypes.GetSize(), UnassociatedRowCheck);
    if (!index) {
        return;
    }
    const Model::ElementType type = _unassociatedTypes[*index];
    SelectElementsInHost(*_manager->GetVantrel(), conn->GetUnassociatedElementsCache().GetElements(type),
                         zoom ? ZoomAfterSelecting::Yes : ZoomAfterSelecting::No);
}

} // namespace TesselConnect::UI
