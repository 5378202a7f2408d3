// The issue collection's stored form: issues recreated by class guid, and the removed issues.
// Its reader may refuse a damaged issue by throwing a host or add-on error (the connection's read
// turns that into an unknown-error issue); anything else must not escape. An issue of a class it
// does not know is kept; storing and merging drop no issue and no removal record.

#include "Support/CollectionRefusal.hpp"
#include "Support/FuzzWorld.hpp"
#include "Support/IssuesKept.hpp"
#include "Support/ReuseCheck.hpp"
#include "Support/Samples.hpp"
#include "Support/StoredForm.hpp"
#include "Support/StoredMutator.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Issue/Collection.hpp"
#include "Util/Error/AddonRuntimeError.hpp"
#include "Vantrel/Api/Error/GeneralError.hpp"

#include <QB/Channel.hpp>
#include <QB/ContainerChannel.hpp>
#include <QB/HashTable.hpp>
#include <QB/Object.hpp>

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

using namespace TesselConnect;

ATC_FUZZ_TARGET(IssueCollection) {
    Fuzz::FuzzWorld& world = Fuzz::FuzzWorld::Reused();
    Model::Manager& manager = world.OpenFixed(Fuzz::ConnectedProject());
    const std::shared_ptr<Model::ConnectionWithSpecification> connection =
        manager.GetConnection(Fuzz::SpecId);
    FUZZ_CHECK(connection != nullptr, "the connected project lost its connection");
    Fuzz::CheckInputIs([&] { return Fuzz::AsInput(Fuzz::StoredForm(connection->GetIssueCollection())); });
    const std::vector<std::byte> bytes = Fuzz::Bytes(data, size);
    Fuzz::CheckStoredForm(
        bytes, [&] { return std::make_unique<Model::Issue::Collection>(connection.get()); },
        [&](Model::Issue::Collection& collection, const Model::Issue::Collection& back) {
            for (const Model::Issue::IssuePtr& issue : collection.GetIssues()) {
                FUZZ_CHECK(issue != nullptr, "a read collection holds an empty entry");
                (void)issue->GetString(*connection);
            }
            const Model::Issue::Collection read = collection;
            Fuzz::CheckIssuesKept(read, back, "stored and read back");
            Model::Issue::Collection other(connection.get());
            other.MergeIn(collection);
            Fuzz::CheckIssuesKept(read, other, "merged into an empty collection");
            collection.MergeIn(other);
            Fuzz::CheckIssuesKept(read, collection, "merged with its merged copy");
            (void)collection.Refresh({});
        },
        [&](Model::Issue::Collection& collection, QB::IChannel& ic) -> std::optional<QB::ErrCode> {
            try {
                return collection.Read(ic);
            } catch (const Model::Error::VersionIncompatibility&) {
            } catch (const Api::GeneralError&) {
                Fuzz::CheckRefusalIsDamage(bytes, ic.GetProtocol());
            } catch (const AddonRuntimeError&) {
                Fuzz::CheckRefusalIsDamage(bytes, ic.GetProtocol());
            }
            return std::nullopt;
        });
    return 0;
}

ATC_FUZZ_MUTATOR([](std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed) {
    return Fuzz::MutateStoredAs([] { return std::make_unique<Model::Issue::Collection>(); }, data, size,
                                maxSize, seed);
})
