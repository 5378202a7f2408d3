#include "UI/PageLayout.hpp"

#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Error/Assert.hpp"

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

void MoveItems(std::initializer_list<PK::Item*> items, QB::Int32 dx, QB::Int32 dy) {
    for (PK::Item* item : items) {
        item->Move(dx, dy);
    }
}

std::optional<QB::USize> RowIndex(QB::Int32 row, QB::USize rowCount, std::string_view check) {
    if (row < 1 || !ATC_EXPECT_ERROR(static_cast<QB::USize>(row) <= rowCount, "{}", check)) {
        return std::nullopt;
    }
    return static_cast<QB::USize>(row - 1);
}

bool FollowInPanel(ObservedConnection& followed, PX::RollPanel& rollPanel,
                   const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    const bool changed = followed.Switch(conn);
    if (followed.Get() != nullptr) {
        rollPanel.SetActive();
    } else {
        rollPanel.SetInactive();
    }
    return changed;
}

void DispatchClick(const PK::Item* source, std::initializer_list<ButtonAction> actions) {
    for (const ButtonAction& entry : actions) {
        if (entry.button == source) {
            entry.action();
            return;
        }
    }
    LOG_ERROR("unknown button");
}

} // namespace TesselConnect::UI
