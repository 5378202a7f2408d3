#include "UI/PageLayout.hpp"

#include <algorithm>

namespace TesselConnect::UI {

void SpanSingleColumn(PK::ListBox& list) {
    if (list.GetTabFieldCount() != 1) {
        list.SetTabFieldCount(1);
    }
    list.SetTabFieldBeginEndPosition(1, 0, list.GetItemWidth());
}

void ResizeListWithColumn(PK::ListBox& list, QB::Int32 dw, QB::Int32 dh) {
    list.Resize(dw, dh);
    SpanSingleColumn(list);
}

void RestoreScrollPosition(PK::ListBox& list, QB::Int32 position) {
    list.SetScrollPosition(std::clamp(position, 1, std::max(list.GetItemCount(), 1)));
}

} // namespace TesselConnect::UI
