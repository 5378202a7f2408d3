#include "UI/SelectionCounters.hpp"

#include "Model/SelectionCache.hpp"

#include <QB/UniString.hpp>

namespace TesselConnect::UI {

namespace {

QB::UInt64 EditableListed(const Model::SelectionCache& cache) {
    const QB::UInt64 listed = cache.GetElements().GetSize();
    const QB::UInt64 notEditable = cache.GetNotEditableCount();
    return listed > notEditable ? listed - notEditable : 0;
}

} // namespace

SelectionCounts CountAssociableSelection(const Model::SelectionCache& cache) {
    return {cache.GetElements().GetSize(), EditableListed(cache)};
}

SelectionCounts CountWholeSelection(const Model::SelectionCache& cache) {
    return {cache.GetElements().GetSize() + cache.GetSkippedCount(), EditableListed(cache)};
}

void ShowSelectionCounts(const SelectionCounts& counts, PK::TextItem& selectedItem,
                         PK::TextItem& editableItem) {
    selectedItem.SetText(QB::ValueToUniString(counts.selected));
    editableItem.SetText(QB::ValueToUniString(counts.editable));
}

} // namespace TesselConnect::UI
