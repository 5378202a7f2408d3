// The manager's side of the page's calls: the callback object hands each call to its Handle_
// operation, which carries it out on the model.

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/ElementType.hpp"
#include "Model/Manager/Manager.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"
#include "Model/UnassociatedElementsCache.hpp"
#include "Model/VirtualType.hpp"
#include "Tessel/Api/Tessel.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Structs/ElemTypeId.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <fmt/format.h>

#include <sstream>
#include <string>

namespace TesselConnect::Model {

namespace {

constexpr std::string_view ElemTypeIdPrefix = "API_ElemTypeID-";

std::string ToLogText(const QB::HashTable<QB::UniString, Api::Properties>& typeProperties) {
    std::string text = "{";
    const char* separator = "";
    for (const auto& [typeId, properties] : typeProperties) {
        text += fmt::format("{}{}: {}", separator, typeId, properties);
        separator = ", ";
    }
    return text + "}";
}

std::string ToLogText(const QB::HashSet<QB::UniString>& ids) {
    std::string text = "[";
    const char* separator = "";
    for (const auto& id : ids) {
        text += fmt::format("{}{}", separator, id);
        separator = ", ";
    }
    return text + "]";
}

} // namespace

// ---- Forwarding ----------------------------------------------------------------------------------

Api::AllState Manager::TesselCallbacks::getAllState() {
    _manager->FollowProject();
    return _manager->Handle_getAllState();
}

void Manager::TesselCallbacks::selectInstancesOfType(const QB::UniString& typeId) {
    _manager->FollowProject();
    _manager->Handle_selectInstancesOfType(typeId);
}

QB::Array<Api::AssociableType>
Manager::TesselCallbacks::getAllTypesInDocument(const QB::UniString& documentRef,
                                                const QB::Array<QB::UniString>& propertyNames) {
    _manager->FollowProject();
    return _manager->Handle_getAllTypesInDocument(documentRef, propertyNames);
}

void Manager::TesselCallbacks::updateProperties(
    const QB::UniString& documentRef, const QB::UniString& reserved,
    const QB::HashTable<QB::UniString, Api::Properties>& typeProperties) {
    _manager->FollowProject();
    _manager->Handle_updateProperties(documentRef, reserved, typeProperties);
}

void Manager::TesselCallbacks::specOpened(const QB::UniString& projectId,
                                          const QB::UniString& specificationId,
                                          const QB::UniString& projectTitle,
                                          const QB::UniString& specificationTitle) {
    _manager->FollowProject();
    _manager->Handle_specOpened(projectId, specificationId, projectTitle, specificationTitle);
}

void Manager::TesselCallbacks::specAssociationRequested(const QB::UniString& projectId,
                                                        const QB::UniString& specificationId,
                                                        const QB::UniString& projectTitle,
                                                        const QB::UniString& specificationTitle,
                                                        const QB::UniString& reserved,
                                                        const QB::UniString& specificationType) {
    _manager->FollowProject();
    _manager->Handle_specAssociationRequested(projectId, specificationId, projectTitle, specificationTitle,
                                              reserved, specificationType);
}

void Manager::TesselCallbacks::removeSpecAssociationRequested(const QB::UniString& projectId,
                                                              const QB::UniString& specificationId,
                                                              const QB::UniString& documentRef) {
    _manager->FollowProject();
    _manager->Handle_removeSpecAssociationRequested(projectId, specificationId, documentRef);
}

void Manager::TesselCallbacks::associationRequested(const QB::UniString& typeId,
                                                    const QB::UniString& specificationId,
                                                    const QB::UniString& clauseId,
                                                    const Api::Properties& properties) {
    _manager->FollowProject();
    _manager->Handle_associationRequested(typeId, specificationId, clauseId, properties);
}

void Manager::TesselCallbacks::removeAssociationRequested(const QB::UniString& typeId,
                                                          const QB::UniString& specificationId,
                                                          const QB::UniString& clauseId,
                                                          const Api::Properties& properties) {
    _manager->FollowProject();
    _manager->Handle_removeAssociationRequested(typeId, specificationId, clauseId, properties);
}

void Manager::TesselCallbacks::onlineStateChanged(bool online) {
    _manager->FollowProject();
    _manager->Handle_onlineStateChanged(online);
}

// ---- Handlers ------------------------------------------------------------------------------------

Api::AllState Manager::Handle_getAllState() {
    return Api::AllState{GetSelectionState(), GetDocumentState(), GetAppState()};
}

QB::Array<QB::Guid> Manager::ElementsOfType(const QB::UniString& typeId) {
    if (!typeId.BeginsWith(QB::UniString(ElemTypeIdPrefix))) {
        return _selectedConnection->GetElementsOfVirtualType(typeId);
    }
    QB::Array<QB::UniString> idArray;
    if (typeId.Split("-", &idArray) != 3) {
        LOG_ERROR("failed assertion: typeId.Split(\"-\", &idArray) == 3");
        return {};
    }
    QB::Int32 typeID = 0;
    if (!QB::UniStringToValue(idArray[1], typeID)) {
        LOG_ERROR("failed assertion: QB::UniStringToValue(idArray[1], typeID)");
        return {};
    }
    QB::Int32 variantID = 0;
    if (!QB::UniStringToValue(idArray[2], variantID)) {
        LOG_ERROR("failed assertion: QB::UniStringToValue(idArray[2], variantID)");
        return {};
    }
    const ElementType type{static_cast<API_ElemTypeID>(typeID), static_cast<API_ElemVariationID>(variantID)};
    return _selectedConnection->GetUnassociatedElementsCache().GetElements(type);
}

void Manager::Handle_selectInstancesOfType(const QB::UniString& typeId) {
    if (_selectedConnection == nullptr || typeId == QB::UniString(MixedSelectionTypeId) ||
        typeId == QB::UniString(MultipleVirtualTypesTypeId)) {
        return;
    }
    const auto elements = ElementsOfType(typeId);
    if (elements.IsEmpty()) {
        return;
    }
    try {
        _vnApi->SelectElements(elements);
        _vnApi->Do_ZoomToSelected();
    }
    LOG_CATCH_ALL
}

QB::Array<Api::AssociableType>
Manager::Handle_getAllTypesInDocument(const QB::UniString&, const QB::Array<QB::UniString>& propertyNames) {
    QB::Array<Api::AssociableType> types;
    if (_selectedConnection == nullptr) {
        return types;
    }
    _selectedConnection->ForEachVirtualType([&](VirtualType& virtualType) {
        Api::AssociableType type = virtualType.GetWebDescription(true);
        for (const auto& name : propertyNames) {
            if (type.properties.GetPtr(name) == nullptr) {
                type.properties.Put(name, QB::UniString());
            }
        }
        types.Push(std::move(type));
    });

    Api::Properties emptyProperties;
    for (const auto& name : propertyNames) {
        emptyProperties.Put(name, QB::UniString());
    }
    for (const auto& [elementType, elements] :
         _selectedConnection->GetUnassociatedElementsCache().GetTable()) {
        const auto name = ElementTypeTable::FindName(elementType);
        const QB::UniString typeName = name ? _vnApi->GetResourceString(*name) : QB::UniString();
        Api::AssociableType type;
        type.id = Api::ElemTypeId{elementType.typeID, elementType.variationID}.ToString();
        type.title = fmt::format("{}: {}", typeName, elements.GetSize());
        type.properties = emptyProperties;
        types.Push(std::move(type));
    }
    return types;
}

void Manager::Handle_updateProperties(const QB::UniString& documentRef, const QB::UniString&,
                                      const QB::HashTable<QB::UniString, Api::Properties>& typeProperties) {
    LOG_TRACE("Handle_updateProperties: ({}, {});", documentRef, ToLogText(typeProperties));
    if (documentRef != _planData->GetId()) {
        LOG_WARN("assert: planId({}), documentRef({})", _planData->GetId(), documentRef);
        return;
    }
    QB::HashSet<QB::UniString> pendingIds;
    for (const auto& [clauseId, properties] : typeProperties) {
        pendingIds.Add(clauseId);
    }
    for (const auto& conn : GetConnections()) {
        for (const auto& [clauseId, properties] : typeProperties) {
            if (conn->HasVirtualType(clauseId)) {
                conn->UpdateProperties(clauseId, properties, false);
                pendingIds.Delete(clauseId);
            }
        }
    }
    if (!pendingIds.IsEmpty()) {
        LOG_WARN("Not existing types are expected by tessel: {}, {}", ToLogText(pendingIds),
                 ToLogText(typeProperties));
    }
}

void Manager::Handle_specOpened(const QB::UniString& projectId, const QB::UniString& specificationId,
                                const QB::UniString& projectTitle, const QB::UniString& specificationTitle) {
    SelectSpecificationAndUpdateTitle(specificationId, specificationTitle, projectId, projectTitle);
}

void Manager::SelectSpecificationAndUpdateTitle(const QB::UniString& tesselSpecificationId,
                                                const QB::UniString& tesselSpecificationTitle,
                                                const QB::UniString& tesselProjectId,
                                                const QB::UniString& tesselProjectTitle) {
    const auto conn = GetConnection(tesselSpecificationId);
    if (conn == nullptr) {
        LOG_INFO("Tessel opened a specification which is not associated spec({}, {}).", tesselSpecificationId,
                 tesselSpecificationTitle);
        return;
    }
    if (conn->TesselProjectId() != tesselProjectId) {
        LOG_ERROR("failed assertion: conn->TesselProjectId() == projectId");
        return;
    }
    ResetSelectedConnection(conn);
    if (conn->UpdateTitles(tesselSpecificationTitle, tesselProjectTitle)) {
        Notify([](ManagerObserver& observer) { observer.ManagerEvent_ConnectionsChanged(); });
    }
}

void Manager::Handle_specAssociationRequested(const QB::UniString& projectId,
                                              const QB::UniString& specificationId,
                                              const QB::UniString& projectTitle,
                                              const QB::UniString& specificationTitle, const QB::UniString&,
                                              const QB::UniString& specificationType) {
    if (const auto conn = GetConnection(specificationId); conn != nullptr) {
        conn->MarkAsDisconnected();
    }
    const auto self = shared_from_this();
    Notify([&](ManagerObserver& observer) {
        observer.ManagerEvent_SpecAssociationRequested(self, projectId, projectTitle, specificationId,
                                                       specificationTitle, specificationType);
    });
}

void Manager::Handle_removeSpecAssociationRequested(const QB::UniString& projectId,
                                                    const QB::UniString& specificationId,
                                                    const QB::UniString& documentRef) {
    const auto answerThePage = [&] {
        if (const auto tessel = _tesselPtr->Get(); tessel != nullptr) {
            tessel->RemoveSpecAssociation(specificationId, documentRef);
        }
    };
    if (documentRef != _planData->GetId()) {
        LOG_TRACE("we still got events from tessel about other documents({}). we can ignore it safely",
                  documentRef);
        answerThePage();
        return;
    }
    const auto conn = GetConnection(specificationId);
    if (conn == nullptr) {
        LOG_WARN(
            "Tessel thinks the plan is connected to this specification but we dont have Connection. {}, {}",
            specificationId, projectId);
        answerThePage();
        return;
    }
    if (projectId != conn->TesselProjectId()) {
        LOG_ERROR("failed assertion: projectId == conn->TesselProjectId(), projectId({}), *conn({})",
                  projectId, *conn);
    }
    DisconnectOnRequest(conn);
}

void Manager::Handle_associationRequested(const QB::UniString&, const QB::UniString& specificationId,
                                          const QB::UniString& clauseId, const Api::Properties& properties) {
    const auto conn = GetConnection(specificationId);
    if (conn == nullptr) {
        LOG_INFO("Tessel Association Requested But Connection Does Not Exist");
        Notify([](ManagerObserver& observer) { observer.ManagerEvent_ConnectionDoesNotExist(); });
        return;
    }
    // A clause without its code names no classification item: refused before it can reach the
    // project (as a clause, an issue or anything else stored there).
    if (const QB::UniString* code = properties.GetPtr(Api::Properties::Name::Code);
        code == nullptr || code->IsEmpty()) {
        LOG_ERROR("Missing or empty property: {}", Api::Properties::Name::Code);
        return;
    }
    conn->Associate(clauseId, properties, _selectionCache.GetElements(), true);
}

void Manager::Handle_removeAssociationRequested(const QB::UniString& typeId,
                                                const QB::UniString& specificationId,
                                                const QB::UniString& clauseId,
                                                const Api::Properties& properties) {
    const auto conn = GetConnection(specificationId);
    if (conn == nullptr) {
        LOG_ERROR("why are we heretypeId({}), specId({}), clauseId({}), properties({})", typeId,
                  specificationId, clauseId, properties);
        return;
    }
    if (typeId != clauseId) {
        LOG_ERROR("failed assertion: typeId == clauseId, *conn({}), typeId({}), properties({})", *conn,
                  typeId, properties);
    }
    conn->Disassociate(clauseId, _selectionCache.GetElements());
}

void Manager::Handle_onlineStateChanged(bool online) {
    Notify([online](ManagerObserver& observer) { observer.ManagerEvent_OnlineStateChanged(online); });
}

} // namespace TesselConnect::Model
