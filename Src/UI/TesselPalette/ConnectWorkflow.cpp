#include "UI/TesselPalette/ConnectWorkflow.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/ConnectionWithSpecificationFactory.hpp"
#include "Model/Manager/Manager.hpp"
#include "Model/PlanData.hpp"
#include "UI/Alerts.hpp"
#include "UI/ClassificationSystemSelectorDialog.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/Placeholder.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <VNAPI/VNAPI.h>

#include <optional>

namespace TesselConnect::UI {

namespace {

namespace Alert = Util::Resource::AlertId;
using ConnPtr = std::shared_ptr<Model::ConnectionWithSpecification>;

// Button numbers of the alerts' answers.
constexpr QB::Int32 SecondButton = 2;
constexpr QB::Int32 ThirdButton = 3;

// What the alerts' continuations need after the workflow itself has returned.
struct Context {
    std::shared_ptr<Model::Manager> manager;
    ConnectRequest request;
    ObserveConnection observe;
};
using ContextPtr = std::shared_ptr<const Context>;

void Connect(const ContextPtr& context, const QB::Guid& systemGuid);

// Disconnects with the manager listening, as its own disconnections do, so the connection list
// and the selection follow.
bool DisconnectWithManager(Model::Manager& manager, const ConnPtr& conn, bool tellThePage) {
    auto& managerAsObserver = static_cast<Model::ConnectionWithSpecificationObserver&>(manager);
    const bool wasObserving = conn->IsAttached(managerAsObserver);
    conn->Attach(managerAsObserver);
    const bool disconnected = conn->Disconnect(tellThePage);
    if (!wasObserving && manager.GetSelectedConnection() != conn) {
        conn->Detach(managerAsObserver);
    }
    return disconnected;
}

void ObserveIfWanted(const Context& context, const ConnPtr& conn) {
    if (context.observe) {
        context.observe(conn);
    }
}

void PostConnectionErrorAlert() {
    PostAlert(Alert::ConnectionError);
}

void OfferRestoreOrDiscard(const ContextPtr& context, const ConnPtr& conn) {
    ObserveIfWanted(*context, conn);
    PostAlert(Alert::ConnectionAlreadyExists, {}, [context, conn](QB::Int32 answer) {
        if (answer == SecondButton) {
            conn->ReconnectWithTesselSpecification();
        } else if (answer == ThirdButton) {
            DisconnectWithManager(*context->manager, conn, false);
        }
    });
}

void OfferToDiscardConnectionOfSystem(const ContextPtr& context, const ConnPtr& conn,
                                      const QB::Guid& systemGuid) {
    ObserveIfWanted(*context, conn);
    PostAlert(Alert::ClassificationSystemAlreadyUsed,
              {conn->TesselProjectTitle(), conn->TesselSpecificationTitle()},
              [context, conn, systemGuid](QB::Int32 answer) {
                  if (answer == SecondButton) {
                      DisconnectWithManager(*context->manager, conn, true);
                  } else if (answer == ThirdButton && DisconnectWithManager(*context->manager, conn, true)) {
                      Connect(context, systemGuid);
                  }
              });
}

void Connect(const ContextPtr& context, const QB::Guid& systemGuid) {
    const ConnectRequest& r = context->request;
    try {
        context->manager->ConnectWithSpecification(systemGuid, r.specificationId, r.specificationTitle,
                                                   r.projectId, r.projectTitle);
    } catch (const Api::ErrorClassificationManagerNoAccessRight& e) {
        LOG_INFO("ConnectWithSpecification: {}: specId({}), specTitle({}), projectId({}), projectTitle({})",
                 e.what(), r.specificationId, r.specificationTitle, r.projectId, r.projectTitle);
        PostAlert(Alert::ClassificationManagerNotReserved);
    } catch (const Api::ErrorPropertyManagerNoAccessRight& e) {
        LOG_INFO("ConnectWithSpecification {}: specId({}), specTitle({}), projectId({}), projectTitle({})",
                 e.what(), r.specificationId, r.specificationTitle, r.projectId, r.projectTitle);
        PostAlert(Alert::PropertyManagerNotReserved);
    } catch (const Model::ConnectionAlreadyExistsForSpecificationInPlanError& e) {
        if (!ATC_EXPECT_ERROR(e.GetConnection() != nullptr, "e.GetConnection() != nullptr, {}", e.what())) {
            PostConnectionErrorAlert();
            return;
        }
        LOG_INFO("{}: ,{}", e.what(), *e.GetConnection());
        OfferRestoreOrDiscard(context, e.GetConnection());
    } catch (const Model::ClassificationSystemAlreadyUsedError& e) {
        if (!ATC_EXPECT_ERROR(e.GetConnection() != nullptr, "e.GetConnection() != nullptr, {}", e.what())) {
            PostConnectionErrorAlert();
            return;
        }
        LOG_INFO("{}: ,{}", e.what(), *e.GetConnection());
        OfferToDiscardConnectionOfSystem(context, e.GetConnection(), systemGuid);
    } catch (const Model::AnotherUserIsInitingThePlanId& e) {
        LOG_INFO("ConnectWithSpecification: {}, specId({}), specTitle({}), projectId({}), projectTitle({})",
                 e.what(), r.specificationId, r.specificationTitle, r.projectId, r.projectTitle);
        PostAlert(Alert::SyncworkPermissionsViolation);
    } catch (const Api::Error<APIERR_NOSYNCWORKPROJECT>& e) {
        LOG_INFO("ConnectWithSpecification: {}, specId({}), specTitle({}), projectId({}), projectTitle({})",
                 e.what(), r.specificationId, r.specificationTitle, r.projectId, r.projectTitle);
        PostAlert(Alert::OfflineSyncworkProject);
    } catch (const Api::Error<APIERR_CANCEL>& e) {
        LOG_INFO("ConnectWithSpecification: {}, specId({}), specTitle({}), projectId({}), projectTitle({})",
                 e.what(), r.specificationId, r.specificationTitle, r.projectId, r.projectTitle);
    } catch (const std::exception& e) {
        LOG_ERROR("exception: {}; specId: {}; specTitle: {}; projectId: {}; projectTitle: {}", e.what(),
                  r.specificationId, r.specificationTitle, r.projectId, r.projectTitle);
        PostConnectionErrorAlert();
    } catch (...) {
        LOG_ERROR("unknown exception; specId: {}; specTitle: {}; projectId: {}; projectTitle: {}",
                  r.specificationId, r.specificationTitle, r.projectId, r.projectTitle);
        PostConnectionErrorAlert();
    }
}

// True when the request is settled by the existing connection of the specification.
bool OfferReconnectionOfLostConnection(const Context& context) {
    const ConnPtr conn = context.manager->GetConnection(context.request.specificationId);
    if (conn == nullptr) {
        return false;
    }
    if (!conn->IsMarkedAsDisconnected()) {
        ATC_EXPECT_WARN(false, "conn->IsDisconnected()");
        return false;
    }
    PostAlert(Alert::ConnectionWasLost, {}, [conn](QB::Int32 answer) {
        if (answer == SecondButton) {
            conn->ReconnectWithTesselSpecification();
        }
    });
    return true;
}

QB::UniString SystemText(const API_ClassificationSystem& system) {
    if (system.editionVersion.IsEmpty()) {
        return system.name;
    }
    return system.name + " (" + system.editionVersion + ")";
}

std::optional<QB::Guid> ChooseClassificationSystem(const Context& context) {
    const QB::Array<API_ClassificationSystem> systems =
        context.manager->GetVantrel()->Classification_GetClassificationSystems();
    QB::Array<QB::UniString> texts;
    texts.Reserve(systems.GetSize());
    for (const API_ClassificationSystem& system : systems) {
        texts.Push(SystemText(system));
    }
    ClassificationSystemSelectorDialog dialog(texts, [&context](const QB::UniString& text) {
        return ResolveRequestPlaceholders(text, context.request);
    });
    if (!dialog.Run()) {
        return std::nullopt;
    }
    const QB::Int32 index = dialog.GetSelectedIndex();
    if (!ATC_EXPECT_ERROR(index >= 0 && static_cast<QB::USize>(index) < systems.GetSize(),
                          "index >= 0 && index < systems.GetSize(), index({})", index)) {
        return std::nullopt;
    }
    return APIGuid2QBGuid(systems[static_cast<QB::USize>(index)].guid);
}

} // namespace

QB::UniString ResolveRequestPlaceholders(const QB::UniString& text, const ConnectRequest& request) {
    namespace Name = Util::Resource::PlaceholderName;
    return Util::Resource::ReplacePlaceholders(text, {{Name::SpecificationTitle, request.specificationTitle},
                                                      {Name::SpecificationId, request.specificationId},
                                                      {Name::ProjectTitle, request.projectTitle},
                                                      {Name::ProjectId, request.projectId},
                                                      {Name::SpecificationType, request.specificationType}});
}

void RunConnectWorkflow(const std::shared_ptr<Model::Manager>& manager, const ConnectRequest& request,
                        const ObserveConnection& observe) {
    try {
        LOG_DEBUG("ConnectWorkflow: specId({}), specTitle({}), projectId({}), projectTitle({}), specType({})",
                  request.specificationId, request.specificationTitle, request.projectId,
                  request.projectTitle, request.specificationType);
        const auto context = std::make_shared<const Context>(Context{manager, request, observe});
        if (OfferReconnectionOfLostConnection(*context)) {
            return;
        }
        if (const auto systemGuid = ChooseClassificationSystem(*context)) {
            Connect(context, *systemGuid);
        }
    }
    LOG_CATCH_ALL
}

} // namespace TesselConnect::UI
