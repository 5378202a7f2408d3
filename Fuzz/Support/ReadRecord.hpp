#pragma once

// A connection record read on its own, as the add-on reads one from the project, into a fresh
// connection over the world's manager.

#include "CollectionRefusal.hpp"
#include "FuzzWorld.hpp"
#include "IssuesKept.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/Errors.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"
#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

namespace TesselConnect::Fuzz {

// The stored form without what every read invents anew: an issue collection that does not read is
// replaced by one unknown-error issue, and that issue's guid and creation time are new on each read.
// `form` is the connection's stored form, when written already.
inline std::vector<std::byte> ComparableForm(const Model::ConnectionWithSpecification& connection,
                                             std::vector<std::byte> form) {
    for (const auto& issue : connection.GetIssueCollection().GetIssues()) {
        if (issue == nullptr || !IsReadError(*issue)) {
            continue;
        }
        QB::MemoryOChannel oc(QB::PlatformProtocol);
        oc.Write(issue->GetGuid());
        const std::vector<std::byte> guid = oc.TakeData();
        const auto at = std::search(form.begin(), form.end(), guid.begin(), guid.end());
        // The guid, then the creation time.
        std::fill(at, at + std::min<std::ptrdiff_t>(form.end() - at, std::ssize(guid) + 4), std::byte{0});
    }
    return form;
}

inline std::vector<std::byte> ComparableForm(const Model::ConnectionWithSpecification& connection) {
    return ComparableForm(connection, StoredForm(connection));
}

// An empty connection over the reused world's host interface, without a page and with a plan data
// of its own: enough to read and write a record, which touches no project.
inline std::shared_ptr<Model::ConnectionWithSpecification> EmptyConnection() {
    const std::shared_ptr<Api::Vantrel>& vantrel = FuzzWorld::Reused().vantrel;
    return std::make_shared<Model::ConnectionWithSpecification>(vantrel, std::make_shared<Model::TesselPtr>(),
                                                                std::make_shared<Model::PlanData>(vantrel));
}

// Whether the issue's guid, as `record`'s protocol writes it, is in the record's bytes.
inline bool IsStoredIn(const API_ModulData& record, const Model::Issue::Base& issue) {
    QB::MemoryOChannel oc(ProtocolOf(record));
    oc.Write(issue.GetGuid());
    const std::vector<std::byte> guid = oc.TakeData();
    return std::search(record.dataHdl.begin(), record.dataHdl.end(), guid.begin(), guid.end()) !=
           record.dataHdl.end();
}

// Nothing when the record does not read completely or a newer add-on wrote it. A record that reads
// but whose issue collection was refused must have a damaged collection (CollectionRefusal.hpp).
inline std::shared_ptr<Model::ConnectionWithSpecification> ReadRecord(FuzzWorld& world,
                                                                      const API_ModulData& record) {
    auto connection = std::make_shared<Model::ConnectionWithSpecification>(
        world.vantrel, world.manager->GetTesselPtr(), world.manager->GetPlanData());
    try {
        if (Api::ModulDataWrapper::ReadObject(record, *connection) != QB::NoError) {
            return nullptr;
        }
    } catch (const Model::Error::VersionIncompatibility&) {
        return nullptr;
    }
    // A read that refused the collection put a read-error issue of its own in its place, with a new
    // (random) guid; one stored in the record, as a merge of a refused collection stores it, has its
    // guid in the record's bytes and needs no second look.
    const auto& issues = connection->GetIssueCollection().GetIssues();
    if (std::any_of(issues.begin(), issues.end(), [&](const auto& issue) {
            return issue != nullptr && IsReadError(*issue) && !IsStoredIn(record, *issue);
        })) {
        CheckRecordCollectionKept(record);
    }
    return connection;
}

} // namespace TesselConnect::Fuzz
