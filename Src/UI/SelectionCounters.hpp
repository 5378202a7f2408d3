#pragma once

// The two selection counters at the bottom of the list pages ("Selected:" and "Editable:"), read
// from the manager's selection cache. Main thread only; nothing throws except std::bad_alloc.

#include <PK/TextItem.hpp>

#include <QB/Types.hpp>

namespace TesselConnect::Model {
class SelectionCache;
}

namespace TesselConnect::UI {

struct SelectionCounts {
    QB::UInt64 selected = 0;
    QB::UInt64 editable = 0;
};

// The issues tab: the associable (listed) elements and the editable ones among them.
SelectionCounts CountAssociableSelection(const Model::SelectionCache& cache);
// The clause and disassociated-elements tabs: every selected element (listed and skipped) and
// the editable listed ones.
SelectionCounts CountWholeSelection(const Model::SelectionCache& cache);

void ShowSelectionCounts(const SelectionCounts& counts, PK::TextItem& selectedItem,
                         PK::TextItem& editableItem);

} // namespace TesselConnect::UI
