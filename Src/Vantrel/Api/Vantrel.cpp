#include "Vantrel/Api/Vantrel.hpp"

#include <QB/HashSet.hpp>

#include <vector>

namespace TesselConnect::Api {

Vantrel::~Vantrel() = default;

QB::UniString Vantrel::GetResourceString(const Util::Resource::String& text) {
    return GetResourceString(text.GetResourceId(), text.GetIndex());
}

QB::Array<API_ClassificationItem> Vantrel::GetAllClassificationItems(const QB::Guid& systemGuid) {
    QB::Array<API_ClassificationItem> items;
    WalkClassificationItems(systemGuid, [&items](const API_ClassificationItem& item) {
        items.Push(item);
        return true;
    });
    return items;
}

std::optional<API_ClassificationItem> Vantrel::FindClassificationItemById(const QB::Guid& systemGuid,
                                                                          const QB::UniString& itemId) {
    std::optional<API_ClassificationItem> found;
    WalkClassificationItems(systemGuid, [&found, &itemId](const API_ClassificationItem& item) {
        if (item.id == itemId) {
            found = item;
            return false;
        }
        return true;
    });
    return found;
}

void Vantrel::WalkClassificationItems(const QB::Guid& systemGuid,
                                      const std::function<bool(const API_ClassificationItem&)>& visit) {
    // An explicit stack keeps deep trees off the call stack; items are pushed in reverse so
    // they come off in the host's order.
    std::vector<API_ClassificationItem> pending;
    const auto pushReversed = [&pending](QB::Array<API_ClassificationItem>&& siblings) {
        for (auto it = siblings.AsVector().rbegin(); it != siblings.AsVector().rend(); ++it) {
            pending.push_back(*it);
        }
    };
    pushReversed(Classification_GetClassificationSystemRootItems(systemGuid));

    QB::HashSet<QB::Guid> visited;
    while (!pending.empty()) {
        API_ClassificationItem item = std::move(pending.back());
        pending.pop_back();
        const QB::Guid itemGuid = APIGuid2QBGuid(item.guid);
        if (!visited.Add(itemGuid)) {
            continue;
        }
        if (!visit(item)) {
            return;
        }
        pushReversed(Classification_GetClassificationItemChildren(itemGuid));
    }
}

API_Neig Vantrel::MakeElementNeig(const QB::Guid& elemGuid) noexcept {
    API_Neig neig{};
    neig.guid = QBGuid2APIGuid(elemGuid);
    return neig;
}

void Vantrel::SelectNeigs(const QB::Array<API_Neig>& neigs) {
    Element_DeselectAll();
    Element_Select(neigs, true);
}

} // namespace TesselConnect::Api
