#include <PK/ListBox.hpp>

#include <algorithm>

namespace PK {

void ListBoxObserver::ListBoxSelectionChanged(const ListBoxSelectionEvent&) {}
void ListBoxObserver::ListBoxClicked(const ListBoxClickEvent&) {}
void ListBoxObserver::ListBoxDoubleClicked(const ListBoxDoubleClickEvent&) {}

namespace {

QB::Int32 RowCount(const ListState& list) noexcept {
    return static_cast<QB::Int32>(list.rows.size());
}

QB::Int32 FieldCount(const ListState& list) noexcept {
    return static_cast<QB::Int32>(list.fields.size());
}

ListRow EmptyRow(const ListState& list) {
    return ListRow{std::vector<TabCell>(list.fields.size())};
}

QB::Int32 VisibleRows(const ItemControl& control) noexcept {
    return std::max(control.rect.height / ListBox::RowHeight, 1);
}

// Keeps the top row on an existing row and never scrolls past the last page.
void ClampScroll(ItemControl& control) noexcept {
    const QB::Int32 highest = std::max(RowCount(control.list) - VisibleRows(control) + 1, 1);
    control.list.scrollPosition = std::clamp(control.list.scrollPosition, 1, highest);
}

TabCell* Cell(ItemControl* control, QB::Int32 position, QB::Int32 tab) noexcept {
    if (control == nullptr || position < 1 || position > RowCount(control->list) || tab < 1 ||
        tab > FieldCount(control->list)) {
        return nullptr;
    }
    return &control->list.rows[static_cast<QB::USize>(position - 1)].cells[static_cast<QB::USize>(tab - 1)];
}

const TabField* Field(const ItemControl* control, QB::Int32 tab) noexcept {
    if (control == nullptr || tab < 1 || tab > FieldCount(control->list)) {
        return nullptr;
    }
    return &control->list.fields[static_cast<QB::USize>(tab - 1)];
}

} // namespace

ListBox::ListBox(Panel& panel, QB::Int32 index) : Item(panel, index, {ItemKind::ListBox}) {}

SingleSelListBox::SingleSelListBox(Panel& panel, QB::Int32 index) : ListBox(panel, index) {}

QB::Int32 ListBox::GetItemCount() const noexcept {
    const ItemControl* control = GetControl();
    return control != nullptr ? RowCount(control->list) : 0;
}

QB::Int32 ListBox::AppendItem() {
    const ItemControl* control = GetControl();
    if (control == nullptr) {
        return 0;
    }
    const QB::Int32 position = RowCount(control->list) + 1;
    InsertItem(position);
    return position;
}

bool ListBox::InsertItem(QB::Int32 position) {
    ItemControl* control = GetControl();
    if (control == nullptr || position < 1 || position > RowCount(control->list) + 1) {
        return false;
    }
    ListState& list = control->list;
    list.rows.insert(list.rows.begin() + (position - 1), EmptyRow(list));
    if (list.selected != 0 && position <= list.selected) {
        ++list.selected;
    }
    ClampScroll(*control);
    return true;
}

bool ListBox::DeleteItem(QB::Int32 position) {
    ItemControl* control = GetControl();
    if (control == nullptr || position < 0 || position > RowCount(control->list)) {
        return false;
    }
    ListState& list = control->list;
    if (position == 0) {
        list.rows.clear();
        list.selected = 0;
    } else {
        list.rows.erase(list.rows.begin() + (position - 1));
        if (position == list.selected) {
            list.selected = 0;
        } else if (position < list.selected) {
            --list.selected;
        }
    }
    ClampScroll(*control);
    return true;
}

QB::Int32 ListBox::GetTabFieldCount() const noexcept {
    const ItemControl* control = GetControl();
    return control != nullptr ? FieldCount(control->list) : 0;
}

void ListBox::SetTabFieldCount(QB::Int32 count) {
    ItemControl* control = GetControl();
    if (control == nullptr || count < 0) {
        return;
    }
    ListState& list = control->list;
    const QB::Int32 old = FieldCount(list);
    if (count > old) {
        const QB::Int32 start = old == 0 ? 0 : list.fields.back().end;
        const QB::Int32 share = std::max(GetItemWidth() - start, 0) / (count - old);
        for (QB::Int32 i = 0; i < count - old; ++i) {
            list.fields.push_back({start + i * share, start + (i + 1) * share, TextAlignment::Left});
        }
    } else {
        list.fields.resize(static_cast<QB::USize>(count));
    }
    for (ListRow& row : list.rows) {
        row.cells.resize(static_cast<QB::USize>(count));
    }
}

bool ListBox::SetTabFieldProperties(QB::Int32 tab, QB::Int32 begin, QB::Int32 end,
                                    TextAlignment justification) {
    ItemControl* control = GetControl();
    if (Field(control, tab) == nullptr || begin < 0 || end < begin) {
        return false;
    }
    control->list.fields[static_cast<QB::USize>(tab - 1)] = {begin, end, justification};
    return true;
}

bool ListBox::SetTabFieldBeginEndPosition(QB::Int32 tab, QB::Int32 begin, QB::Int32 end) {
    const TabField* field = Field(GetControl(), tab);
    return field != nullptr && SetTabFieldProperties(tab, begin, end, field->justification);
}

QB::Int32 ListBox::GetTabFieldBeginPosition(QB::Int32 tab) const noexcept {
    const TabField* field = Field(GetControl(), tab);
    return field != nullptr ? field->begin : 0;
}

QB::Int32 ListBox::GetTabFieldEndPosition(QB::Int32 tab) const noexcept {
    const TabField* field = Field(GetControl(), tab);
    return field != nullptr ? field->end : 0;
}

QB::Int32 ListBox::GetItemWidth() const noexcept {
    const ItemControl* control = GetControl();
    return control != nullptr ? std::max(control->rect.width - ScrollBarWidth, 0) : 0;
}

bool ListBox::SetTabItemText(QB::Int32 position, QB::Int32 tab, const QB::UniString& text) {
    TabCell* cell = Cell(GetControl(), position, tab);
    if (cell == nullptr) {
        return false;
    }
    cell->text = text;
    return true;
}

QB::UniString ListBox::GetTabItemText(QB::Int32 position, QB::Int32 tab) const {
    const TabCell* cell = Cell(const_cast<ListBox*>(this)->GetControl(), position, tab);
    return cell != nullptr ? cell->text : QB::UniString();
}

bool ListBox::SetTabItemIcon(QB::Int32 position, QB::Int32 tab, const Icon& icon) {
    TabCell* cell = Cell(GetControl(), position, tab);
    if (cell == nullptr) {
        return false;
    }
    cell->icon = icon;
    return true;
}

Icon ListBox::GetTabItemIcon(QB::Int32 position, QB::Int32 tab) const {
    const TabCell* cell = Cell(const_cast<ListBox*>(this)->GetControl(), position, tab);
    return cell != nullptr ? cell->icon : Icon();
}

QB::Int32 ListBox::GetSelectedItem() const noexcept {
    const ItemControl* control = GetControl();
    return control != nullptr ? control->list.selected : 0;
}

bool ListBox::SelectItem(QB::Int32 position) {
    ItemControl* control = GetControl();
    if (control == nullptr || position < 0 || position > RowCount(control->list)) {
        return false;
    }
    control->list.selected = position;
    return true;
}

QB::Int32 ListBox::GetScrollPosition() const noexcept {
    const ItemControl* control = GetControl();
    return control != nullptr ? control->list.scrollPosition : 1;
}

void ListBox::SetScrollPosition(QB::Int32 position) {
    if (ItemControl* control = GetControl()) {
        control->list.scrollPosition = position;
        ClampScroll(*control);
    }
}

QB::Int32 ListBox::GetVisibleRowCount() const noexcept {
    const ItemControl* control = GetControl();
    return control != nullptr ? VisibleRows(*control) : 0;
}

void ListBox::DisableDraw() {
    if (ItemControl* control = GetControl()) {
        ++control->list.drawOffDepth;
    }
}

void ListBox::EnableDraw() {
    ItemControl* control = GetControl();
    if (control != nullptr && control->list.drawOffDepth > 0) {
        --control->list.drawOffDepth;
    }
}

bool ListBox::IsDrawEnabled() const noexcept {
    const ItemControl* control = GetControl();
    return control == nullptr || control->list.drawOffDepth == 0;
}

} // namespace PK
