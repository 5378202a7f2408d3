// The state records the manager sends to the page: application, document and selection.

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Manager/Manager.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"
#include "Model/VirtualType.hpp"
#include "Tessel/Api/Tessel.hpp"
#include "Util/Resource/Placeholder.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <fmt/format.h>

namespace TesselConnect::Model {

Api::AppState Manager::GetAppState() {
    const auto info = _vnApi->GetApplicationInfo();
    Api::AppState state;
    state.app = QB::UniString(AppName);
    state.appVersion = fmt::format("{}.{}.{}", info.mainVersion, info.releaseVersion, info.buildNum);
    state.pluginVersion = _addonVersion.ToString();
    state.supportedFeatures = {"association", "selection", "objects", "verification"};
    return state;
}

Api::DocumentState Manager::GetDocumentState() const {
    Api::DocumentState state{_planData->GetId(), _planData->Title()};
    _documentNameTold = state.documentName;
    return state;
}

Api::SelectionState Manager::GetSelectionState() {
    const auto& selected = _selectionCache.GetElements();
    if (selected.IsEmpty() || _selectedConnection == nullptr) {
        return {};
    }
    const auto sorted = _selectedConnection->SortElementsByVirtualType(selected);

    Api::SelectionState state;
    if (!sorted.unassociatedElements.IsEmpty()) {
        using Util::Resource::PlaceholderName::UnassociatedCount;
        const QB::UniString count = fmt::format("{}", sorted.unassociatedElements.GetSize());
        state.type.id = QB::UniString(MixedSelectionTypeId);
        state.type.title = Util::Resource::ReplacePlaceholder(
            _vnApi->GetResourceString(Util::Resource::Text::MixedSelectionTypeName), UnassociatedCount,
            count);
        state.type.subtitle = Util::Resource::ReplacePlaceholder(
            _vnApi->GetResourceString(Util::Resource::Text::MixedSelectionDescription), UnassociatedCount,
            count);
    } else if (sorted.virtualTypes.GetSize() == 1) {
        state.type = sorted.virtualTypes.GetFirst()->GetWebDescription(true);
        state.type.title = _vnApi->GetResourceString(Util::Resource::Text::SameVirtualTypeDescription);
        state.type.subtitle = _vnApi->GetResourceString(Util::Resource::Text::SameVirtualTypeSubtitle);
    } else {
        state.type.id = QB::UniString(MultipleVirtualTypesTypeId);
        state.type.title = _vnApi->GetResourceString(Util::Resource::Text::MultipleVirtualTypesSelected);
        state.type.subtitle = _vnApi->GetResourceString(Util::Resource::Text::MultipleVirtualTypesSubtitle);
    }
    return state;
}

void Manager::SendDocumentState() {
    if (const auto tessel = _tesselPtr->Get(); tessel != nullptr) {
        tessel->SetDocumentState(GetDocumentState());
    }
}

void Manager::SendAllStates() {
    const auto tessel = _tesselPtr->Get();
    if (tessel == nullptr) {
        return;
    }
    tessel->SetAppState(GetAppState());
    tessel->SetDocumentState(GetDocumentState());
    tessel->SetSelectionState(GetSelectionState());
}

} // namespace TesselConnect::Model
