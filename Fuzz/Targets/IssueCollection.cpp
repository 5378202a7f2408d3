// The issue collection's stored form: issues recreated by class guid, and the removed issues.
// Its reader may refuse an issue it cannot recreate by throwing a host or add-on error (the
// connection's read turns that into an unknown-error issue); anything else must not escape.

#include "Support/FuzzWorld.hpp"
#include "Support/StoredForm.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Issue/Collection.hpp"
#include "Util/Error/AddonRuntimeError.hpp"
#include "Vantrel/Api/Error/GeneralError.hpp"

#include <memory>

ATC_FUZZ_TARGET(IssueCollection) {
    using namespace TesselConnect;
    Fuzz::FuzzWorld world;
    Model::Manager& manager = world.Open(Fuzz::ConnectedProject());
    const std::shared_ptr<Model::ConnectionWithSpecification> connection =
        manager.GetConnection(Fuzz::SpecId);
    FUZZ_CHECK(connection != nullptr, "the connected project lost its connection");
    Fuzz::CheckStoredForm(
        Fuzz::Bytes(data, size), [&] { return std::make_unique<Model::Issue::Collection>(connection.get()); },
        [&](Model::Issue::Collection& collection) {
            for (const Model::Issue::IssuePtr& issue : collection.GetIssues()) {
                FUZZ_CHECK(issue != nullptr, "a read collection holds an empty entry");
                (void)issue->GetString(*connection);
            }
            Model::Issue::Collection other(connection.get());
            other.MergeIn(collection);
            collection.MergeIn(other);
            (void)collection.Refresh({});
        },
        [](Model::Issue::Collection& collection, QB::IChannel& ic) -> std::optional<QB::ErrCode> {
            try {
                return collection.Read(ic);
            } catch (const Model::Error::VersionIncompatibility&) {
            } catch (const Api::GeneralError&) {
            } catch (const AddonRuntimeError&) {
            }
            return std::nullopt;
        });
    return 0;
}
