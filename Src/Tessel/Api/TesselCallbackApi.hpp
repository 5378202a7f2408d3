#pragma once

// The calls that come in from the Tessel page: state queries, association requests and
// specification events. The bridge checks and converts the page's arguments and then calls one of
// these; the manager implements them.
//
// Called on the host's main thread, one call at a time; an implementation may call back into
// Api::Tessel before it returns. Implementations may throw (host and model errors): the bridge
// catches and logs everything, so no exception reaches the page.
//
// The operation names are those of the page's own functions. An argument named `reserved` is
// delivered by the page and passed on; the add-on gives it no meaning.

#include "Tessel/Api/AssociableType.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Tessel/Api/States.hpp"

#include <QB/Array.hpp>
#include <QB/HashTable.hpp>
#include <QB/UniString.hpp>

namespace TesselConnect::Api {

class TesselCallbackApi {
public:
    virtual ~TesselCallbackApi();

    virtual AllState getAllState() = 0;

    virtual void selectInstancesOfType(const QB::UniString& typeId) = 0;

    // Every returned type carries each of `propertyNames`, with an empty value where it had none.
    virtual QB::Array<AssociableType>
    getAllTypesInDocument(const QB::UniString& documentRef,
                          const QB::Array<QB::UniString>& propertyNames) = 0;

    // `typeProperties`: type id to that type's new clause properties.
    virtual void updateProperties(const QB::UniString& documentRef, const QB::UniString& reserved,
                                  const QB::HashTable<QB::UniString, Properties>& typeProperties) = 0;

    virtual void specOpened(const QB::UniString& projectId, const QB::UniString& specificationId,
                            const QB::UniString& projectTitle, const QB::UniString& specificationTitle) = 0;

    virtual void
    specAssociationRequested(const QB::UniString& projectId, const QB::UniString& specificationId,
                             const QB::UniString& projectTitle, const QB::UniString& specificationTitle,
                             const QB::UniString& reserved, const QB::UniString& specificationType) = 0;

    virtual void removeSpecAssociationRequested(const QB::UniString& projectId,
                                                const QB::UniString& specificationId,
                                                const QB::UniString& documentRef) = 0;

    virtual void associationRequested(const QB::UniString& typeId, const QB::UniString& specificationId,
                                      const QB::UniString& clauseId, const Properties& properties) = 0;

    virtual void removeAssociationRequested(const QB::UniString& typeId, const QB::UniString& specificationId,
                                            const QB::UniString& clauseId, const Properties& properties) = 0;

    virtual void onlineStateChanged(bool online) = 0;

protected:
    TesselCallbackApi() = default;
    TesselCallbackApi(const TesselCallbackApi&) = default;
    TesselCallbackApi& operator=(const TesselCallbackApi&) = default;
};

} // namespace TesselConnect::Api
