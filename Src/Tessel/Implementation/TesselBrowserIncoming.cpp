#include "Tessel/Implementation/TesselBrowser.hpp"

#include "Tessel/Api/JsonForm.hpp"
#include "Tessel/Api/TesselCallbackApi.hpp"
#include "Tessel/Implementation/PageCallArguments.hpp"
#include "Tessel/Implementation/PageCallJson.hpp"
#include "Util/Log/Log.hpp"

#include <PK/JSValue.hpp>

#include <string>

// Each handler returns null for the empty result; the frame (AnswerPageCall) turns it into DEFAULT.
namespace TesselConnect::Implementation {

namespace {

PK::JSBaseRef JsonResult(const std::string& json) {
    return PK::MakeStringValue(QB::UniString(json));
}

// The two association requests carry the same arguments.
struct AssociationRequest {
    QB::UniString typeId;
    QB::UniString specificationId;
    QB::UniString clauseId;
    Api::Properties properties;
};

std::optional<AssociationRequest> ReadAssociationRequest(const PK::JSBaseRef& argument,
                                                         std::string_view function) {
    const auto texts = StringArguments(argument, function, 4);
    if (!texts) {
        return std::nullopt;
    }
    auto properties = ParseProperties((*texts)[3]);
    if (!properties) {
        return std::nullopt;
    }
    return AssociationRequest{(*texts)[0], (*texts)[1], (*texts)[2], std::move(*properties)};
}

} // namespace

PK::JSBaseRef TesselBrowser::Handle_tvk_ardoTesselIntegrator_objectVerifier(const PK::JSBaseRef&) {
    LOG_TRACE("TesselBrowser::tvk_ardoTesselIntegrator_objectVerifier: verified");
    return nullptr;
}

PK::JSBaseRef TesselBrowser::Handle_tvk_onlineStateChanged(const PK::JSBaseRef& argument) {
    const auto state = SingleStringArgument(argument);
    if (!state) {
        return nullptr;
    }
    if (const auto callbacks = GetCallbackApi()) {
        callbacks->onlineStateChanged(*state == "online");
    }
    return nullptr;
}

PK::JSBaseRef TesselBrowser::Handle_getAllState(const PK::JSBaseRef& argument) {
    WarnUnlessNoArguments(argument);
    const auto callbacks = GetCallbackApi();
    if (!callbacks) {
        return nullptr;
    }
    const std::string json = Api::ToJson(callbacks->getAllState());
    LOG_TRACE("TesselBrowser::getAllState returns: {}", json);
    return JsonResult(json);
}

PK::JSBaseRef TesselBrowser::Handle_selectInstancesOfType(const PK::JSBaseRef& argument) {
    const auto typeId = SingleStringArgument(argument);
    if (!typeId) {
        return nullptr;
    }
    if (const auto callbacks = GetCallbackApi()) {
        callbacks->selectInstancesOfType(*typeId);
    }
    return nullptr;
}

PK::JSBaseRef TesselBrowser::Handle_getAllTypesInDocument(const PK::JSBaseRef& argument) {
    const auto texts = StringArguments(argument, "getAllTypesInDocument", 2);
    if (!texts) {
        return nullptr;
    }
    const auto callbacks = GetCallbackApi();
    if (!callbacks) {
        return nullptr;
    }
    const auto propertyNames = ParsePropertyNames((*texts)[1]);
    if (!propertyNames) {
        return nullptr;
    }
    const std::string json = Api::ToJson(callbacks->getAllTypesInDocument((*texts)[0], *propertyNames));
    LOG_DEBUG("TesselBrowser::getAllTypesInDocument returns: {}", json);
    return JsonResult(json);
}

PK::JSBaseRef TesselBrowser::Handle_updateProperties(const PK::JSBaseRef& argument) {
    const auto texts = StringArguments(argument, "updateProperties", 3);
    if (!texts) {
        return nullptr;
    }
    const auto callbacks = GetCallbackApi();
    if (!callbacks) {
        return nullptr;
    }
    const auto typeProperties = ParseTypeProperties((*texts)[2]);
    if (!typeProperties) {
        return nullptr;
    }
    callbacks->updateProperties((*texts)[0], (*texts)[1], *typeProperties);
    return nullptr;
}

PK::JSBaseRef TesselBrowser::Handle_specOpened(const PK::JSBaseRef& argument) {
    const auto texts = StringArguments(argument, "specOpened", 4);
    if (!texts) {
        return nullptr;
    }
    if (const auto callbacks = GetCallbackApi()) {
        callbacks->specOpened((*texts)[0], (*texts)[1], (*texts)[2], (*texts)[3]);
    }
    return nullptr;
}

PK::JSBaseRef TesselBrowser::Handle_specAssociationRequested(const PK::JSBaseRef& argument) {
    // The page may leave out the reserved value and the specification type: read as empty texts.
    const auto texts = StringArguments(argument, "specAssociationRequested", 6, 4);
    if (!texts) {
        return nullptr;
    }
    if (const auto callbacks = GetCallbackApi()) {
        callbacks->specAssociationRequested((*texts)[0], (*texts)[1], (*texts)[2], (*texts)[3], (*texts)[4],
                                            (*texts)[5]);
    }
    return nullptr;
}

PK::JSBaseRef TesselBrowser::Handle_removeSpecAssociationRequested(const PK::JSBaseRef& argument) {
    const auto texts = StringArguments(argument, "removeSpecAssociationRequested", 3);
    if (!texts) {
        return nullptr;
    }
    if (const auto callbacks = GetCallbackApi()) {
        callbacks->removeSpecAssociationRequested((*texts)[0], (*texts)[1], (*texts)[2]);
    }
    return nullptr;
}

PK::JSBaseRef TesselBrowser::Handle_associationRequested(const PK::JSBaseRef& argument) {
    const auto request = ReadAssociationRequest(argument, "associationRequested");
    if (!request) {
        return nullptr;
    }
    // The clause's code is checked by the manager once it has looked the specification up: a
    // specification without a connection is reported as such, whatever the properties hold.
    if (const auto callbacks = GetCallbackApi()) {
        callbacks->associationRequested(request->typeId, request->specificationId, request->clauseId,
                                        request->properties);
    }
    return nullptr;
}

PK::JSBaseRef TesselBrowser::Handle_removeAssociationRequested(const PK::JSBaseRef& argument) {
    const auto request = ReadAssociationRequest(argument, "removeAssociationRequested");
    if (!request) {
        return nullptr;
    }
    if (const auto callbacks = GetCallbackApi()) {
        callbacks->removeAssociationRequested(request->typeId, request->specificationId, request->clauseId,
                                              request->properties);
    }
    return nullptr;
}

} // namespace TesselConnect::Implementation
