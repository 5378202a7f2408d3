#include "UI/IssuesTabPage.hpp"

#include "Model/Issue/Base.hpp"
#include "Model/Issue/ElementsAssociationBase.hpp"
#include "Model/Manager/Manager.hpp"
#include "Model/SelectionCache.hpp"
#include "Model/UnassociatedElementsCache.hpp"
#include "UI/AddonResModule.hpp"
#include "UI/Alerts.hpp"
#include "UI/ElementSelection.hpp"
#include "UI/PageLayout.hpp"
#include "UI/SelectionCounters.hpp"
#include "UI/TesselPalette/Palette.hpp"
#include "UI/VirtualTypeTabPage.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/Placeholder.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Util/RunnableLambda/RunnableLambda.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Structs/WindowId.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <algorithm>

namespace TesselConnect::UI {

namespace {

namespace Ids = Util::Resource;

constexpr QB::Int32 ListItem = 1;
constexpr QB::Int32 SelectButtonItem = 2;
constexpr QB::Int32 ZoomButtonItem = 3;
constexpr QB::Int32 ConsolidateButtonItem = 4;
constexpr QB::Int32 SelectedLabelItem = 5;
constexpr QB::Int32 SelectedCountItem = 6;
constexpr QB::Int32 EditableLabelItem = 7;
constexpr QB::Int32 EditableCountItem = 8;
constexpr QB::Int32 RemoveButtonItem = 9;
constexpr QB::Int32 FixButtonItem = 10;
constexpr QB::Int32 IssueColumn = 1;

PK::Icon SeverityIcon(QB::Int32 severity) {
    return AddonIcon(severity == Model::Issue::Severity::Warning ? Ids::IconId::Warning : Ids::IconId::Error);
}

std::shared_ptr<Model::Issue::ElementsAssociationBase>
AsElementsIssue(const std::shared_ptr<Model::Issue::Base>& issue) {
    return std::dynamic_pointer_cast<Model::Issue::ElementsAssociationBase>(issue);
}

// Drawing is switched back on whatever happens while the rows are refilled.
class DrawOffScope {
public:
    explicit DrawOffScope(PK::ListBox& list) : _list(list) { _list.DisableDraw(); }
    ~DrawOffScope() { _list.EnableDraw(); }
    DrawOffScope(const DrawOffScope&) = delete;
    DrawOffScope& operator=(const DrawOffScope&) = delete;

private:
    PK::ListBox& _list;
};

} // namespace

IssuesTabPage::IssuesTabPage(PX::RollPanel& rollPanel, const std::shared_ptr<Model::Manager>& manager)
    : PK::TabPage(rollPanel, GetAddonResModule(), Ids::DialogId::IssuesTabPage), _rollPanel(rollPanel),
      _list(*this, ListItem), _selectButton(*this, SelectButtonItem), _zoomButton(*this, ZoomButtonItem),
      _consolidateButton(*this, ConsolidateButtonItem), _selectedLabel(*this, SelectedLabelItem),
      _selectedCount(*this, SelectedCountItem), _editableLabel(*this, EditableLabelItem),
      _editableCount(*this, EditableCountItem), _removeButton(*this, RemoveButtonItem),
      _fixButton(*this, FixButtonItem),
      _titleTemplate(manager->GetVantrel()->GetResourceString(Ids::Text::IssuesTabTitle)), _manager(manager),
      _selectedConn(*this) {
    SpanSingleColumn(_list);
    ShowTitleAndIcon();
    _manager->AttachObserver(*this);
    Attach(static_cast<PK::PanelObserver&>(*this));
    AttachToAllItems(*this);
}

IssuesTabPage::~IssuesTabPage() {
    DetachFromAllItems(*this);
    Detach(static_cast<PK::PanelObserver&>(*this));
    _manager->DetachObserver(*this);
}

// ---- Panel and items -----------------------------------------------------------------------------

void IssuesTabPage::PanelOpened(const PK::PanelOpenEvent&) {
    try {
        DisableIssueButtons();
        _rollPanel.SetInactive();
        ShowSelectionCounts(CountAssociableSelection(_manager->GetSelectionCache()), _selectedCount,
                            _editableCount);
        FollowConnection(_manager->GetSelectedConnection());
    }
    LOG_CATCH_ALL
}

void IssuesTabPage::PanelResized(const PK::PanelResizeEvent& ev) {
    try {
        const QB::Int32 dw = ev.GetHorizontalChange();
        const QB::Int32 dh = ev.GetVerticalChange();
        ResizeListWithColumn(_list, dw, dh);
        MoveItems({&_selectButton, &_zoomButton, &_selectedLabel, &_selectedCount, &_editableLabel,
                   &_editableCount},
                  0, dh);
        MoveItems({&_consolidateButton, &_removeButton, &_fixButton}, dw, dh);
    }
    LOG_CATCH_ALL
}

void IssuesTabPage::ButtonClicked(const PK::ButtonClickEvent& ev) {
    try {
        // The host's undo and redo change the project unannounced: act on what it holds now.
        _manager->FollowProject();
        DispatchClick(ev.GetSource(), {{&_selectButton, [this] { SelectIssueElements(false); }},
                                       {&_zoomButton, [this] { SelectIssueElements(true); }},
                                       {&_consolidateButton, [this] { PostConsolidation(); }},
                                       {&_removeButton, [this] { RemoveSelectedIssue(); }},
                                       {&_fixButton, [this] { FixSelectedIssue(); }}});
    }
    LOG_CATCH_ALL
}

void IssuesTabPage::ListBoxSelectionChanged(const PK::ListBoxSelectionEvent&) {
    try {
        UpdateButtons(true);
    }
    LOG_CATCH_ALL
}

void IssuesTabPage::ListBoxClicked(const PK::ListBoxClickEvent&) {
    try {
        UpdateButtons(true);
    }
    LOG_CATCH_ALL
}

void IssuesTabPage::ListBoxDoubleClicked(const PK::ListBoxDoubleClickEvent& ev) {
    try {
        // The host's undo and redo change the project unannounced: act on what it holds now.
        _manager->FollowProject();
        OpenIssueView(ev.GetListItem());
    }
    LOG_CATCH_ALL
}

// ---- Model ---------------------------------------------------------------------------------------

void IssuesTabPage::ManagerEvent_SelectedConnectionChanged(
    const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    FollowConnection(conn);
}

void IssuesTabPage::ManagerEvent_SelectionChanged(const Model::SelectionCache& selectionCache) {
    ShowSelectionCounts(CountAssociableSelection(selectionCache), _selectedCount, _editableCount);
}

void IssuesTabPage::ConnEvent_IssuesChanged(const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    if (_selectedConn.Is(conn)) {
        RebuildList();
    }
}

// The rows name their clause by its texts, which change with the clause.
void IssuesTabPage::ConnEvent_VirtualTypesChanged(
    const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    if (_selectedConn.Is(conn)) {
        RebuildList();
    }
}

// ---- Rows ----------------------------------------------------------------------------------------

void IssuesTabPage::FollowConnection(const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    FollowInPanel(_selectedConn, _rollPanel, conn);
    RebuildList();
}

void IssuesTabPage::RebuildList() {
    DisableIssueButtons();
    const QB::Int32 scrollPosition = _list.GetScrollPosition();
    std::shared_ptr<Model::Issue::Base> selectedIssue;
    if (const IssueRecord* record = RecordOfRow(_list.GetSelectedItem())) {
        selectedIssue = record->issue;
    }
    _list.DeleteAllItems();
    _issueBases.Clear();

    const auto conn = _selectedConn.Get();
    if (conn != nullptr) {
        const DrawOffScope drawOff(_list);
        try {
            auto issues = conn->GetIssuesWithText();
            issues.Sort(
                [](const IssueRecord& left, const IssueRecord& right) { return left.text < right.text; });
            _issueBases.Reserve(issues.GetSize());
            for (IssueRecord& record : issues) {
                const QB::Int32 row = _list.AppendItem();
                _list.SetTabItemText(row, IssueColumn, record.text);
                _list.SetTabItemIcon(row, IssueColumn, SeverityIcon(record.issue->GetSeverity()));
                _issueBases.Push(std::move(record));
            }
        }
        LOG_CATCH_ALL
        RestoreScrollPosition(_list, scrollPosition);
        if (selectedIssue != nullptr) {
            const auto found =
                std::find_if(_issueBases.begin(), _issueBases.end(),
                             [&selectedIssue](const IssueRecord& r) { return r.issue == selectedIssue; });
            if (found != _issueBases.end()) {
                _list.SelectItem(static_cast<QB::Int32>(found - _issueBases.begin()) + 1);
                UpdateButtons(false);
            }
        }
    }
    ShowTitleAndIcon();
}

void IssuesTabPage::ShowTitleAndIcon() {
    _rollPanel.SetTitle(Util::Resource::ReplacePlaceholder(
        _titleTemplate, Util::Resource::PlaceholderName::Count, QB::ValueToUniString(_issueBases.GetSize())));
    if (_issueBases.IsEmpty()) {
        _rollPanel.SetIcon(PK::Icon());
        return;
    }
    QB::Int32 highest = 0;
    for (const IssueRecord& record : _issueBases) {
        highest = std::max(highest, record.issue->GetSeverity());
    }
    _rollPanel.SetIcon(SeverityIcon(highest));
}

// ---- Buttons -------------------------------------------------------------------------------------

void IssuesTabPage::DisableIssueButtons() {
    for (PK::Item* item : {&_selectButton, &_zoomButton, &_removeButton, &_fixButton}) {
        item->Disable();
    }
}

void IssuesTabPage::UpdateButtons(bool targetClauseRow) {
    DisableIssueButtons();
    const IssueRecord* record = RecordOfRow(_list.GetSelectedItem());
    if (record == nullptr) {
        return;
    }
    if (const auto i = AsElementsIssue(record->issue)) {
        if (ATC_EXPECT_ERROR(!i->GetErroredElements().IsEmpty(), "!i->erroredElements.IsEmpty()")) {
            _selectButton.Enable();
            _zoomButton.Enable();
        }
        if (targetClauseRow) {
            if (auto* palette = dynamic_cast<Palette*>(&_rollPanel.GetPalette())) {
                if (const auto clausePage = palette->GetVirtualTypeTabPage()) {
                    clausePage->SelectRowOfVirtualType(i->GetTargetVirtualType());
                }
            }
        }
    }
    _removeButton.Enable();
    if (record->issue->IsFixable()) {
        _fixButton.Enable();
    }
}

const IssuesTabPage::IssueRecord& IssuesTabPage::SelectedRecordOrThrow() const {
    const QB::Int32 selected = _list.GetSelectedItem();
    if (!ATC_EXPECT_ERROR(
            selected >= 1 && static_cast<QB::USize>(selected) <= _issueBases.GetSize(),
            "selected >= 1 && static_cast<USize>(selected) <= _issueBases.GetSize(), selected({})",
            selected)) {
        throw AddonRuntimeError::AtSource("wrong selected index");
    }
    return _issueBases[static_cast<QB::USize>(selected - 1)];
}

const IssuesTabPage::IssueRecord* IssuesTabPage::RecordOfRow(QB::Int32 row) const {
    const std::optional<QB::USize> index =
        RowIndex(row, _issueBases.GetSize(), "static_cast<USize>(sel) <= this->_issueBases.GetSize()");
    return index ? &_issueBases[*index] : nullptr;
}

void IssuesTabPage::SelectIssueElements(bool zoom) {
    const IssueRecord& record = SelectedRecordOrThrow();
    if (const auto i = AsElementsIssue(record.issue)) {
        SelectElementsInHost(*_manager->GetVantrel(), i->GetErroredElements(),
                             zoom ? ZoomAfterSelecting::Yes : ZoomAfterSelecting::No);
    }
}

void IssuesTabPage::RemoveSelectedIssue() {
    const IssueRecord* record = RecordOfRow(_list.GetSelectedItem());
    if (record == nullptr) {
        return;
    }
    // Removing rebuilds the rows (and the records) from inside the call.
    const auto conn = record->connection;
    const auto issue = record->issue;
    conn->RemoveIssue(issue);
}

void IssuesTabPage::FixSelectedIssue() {
    const IssueRecord* record = RecordOfRow(_list.GetSelectedItem());
    if (record == nullptr || !ATC_EXPECT_ERROR(record->issue->IsFixable(), "selIssue.IsFixable()")) {
        return;
    }
    const auto conn = record->connection;
    const auto issue = record->issue;
    issue->Fix(*conn);
}

void IssuesTabPage::OpenIssueView(QB::Int32 row) {
    if (!ATC_EXPECT_ERROR(_selectedConn.Get() != nullptr, "this->_selectedConn != nullptr")) {
        return;
    }
    const IssueRecord* record = RecordOfRow(row);
    if (record == nullptr) {
        return;
    }
    const auto i = AsElementsIssue(record->issue);
    if (i == nullptr || !ATC_EXPECT_ERROR(i->GetWindowId().IsValid(), "i->GetWindowId().IsValid()")) {
        return;
    }
    // Each step runs on its own turn of the message loop, so the host has brought the view to
    // front before the selection is made there.
    const std::shared_ptr<Api::Vantrel> vnApi = _manager->GetVantrel();
    const auto conn = record->connection;
    PostToMainLoop([vnApi, conn, i] {
        try {
            Api::GoToWindow(*vnApi, i->GetWindowId());
        }
        LOG_CATCH_ALL
        PostToMainLoop([vnApi, conn, i] {
            try {
                SelectElementsInHost(*vnApi, i->GetErroredElements(), ZoomAfterSelecting::Yes);
            }
            LOG_CATCH_ALL
            PostToMainLoop([conn] {
                try {
                    conn->GetUnassociatedElementsCache().Reset(true);
                }
                LOG_CATCH_ALL
            });
        });
    });
}

void IssuesTabPage::PostConsolidation() {
    const auto conn = _selectedConn.Get();
    if (conn == nullptr) {
        return;
    }
    PostAlert(Ids::AlertId::ConsolidationNotUndoable, {}, [conn](QB::Int32 answer) {
        constexpr QB::Int32 Ok = 2;
        if (answer == Ok) {
            conn->RefreshIssues();
            conn->UpdateAllElementProperties();
        }
    });
}

} // namespace TesselConnect::UI
