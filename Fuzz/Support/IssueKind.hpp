#pragma once

// An issue kind's stored form, read as the issue collection reads it, and then used as the issues
// tab uses it against a connection of the connected project: its text, whether it is empty, a
// refresh, a merge with an older copy of itself and, when fixable, its fix.

#include "FuzzWorld.hpp"
#include "ReuseCheck.hpp"
#include "Samples.hpp"
#include "StoredForm.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Issue/Base.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace TesselConnect::Fuzz {

template <typename Kind> int CheckIssueKind(const std::uint8_t* data, std::size_t size) {
    FuzzWorld& world = FuzzWorld::Reused();
    Model::Manager& manager = world.OpenFixed(ConnectedProject());
    CheckInputIs([&] {
        for (const Model::Issue::IssuePtr& issue : SampleIssues(*world.vantrel)) {
            if (dynamic_cast<const Kind*>(issue.get()) != nullptr) {
                return AsInput(StoredForm(*issue));
            }
        }
        return std::vector<std::uint8_t>{};
    });
    const std::shared_ptr<Model::ConnectionWithSpecification> connection = manager.GetConnection(SpecId);
    FUZZ_CHECK(connection != nullptr, "the connected project lost its connection");
    CheckStoredForm(
        Bytes(data, size), [] { return std::make_unique<Kind>(); },
        [&](Kind& issue) {
            (void)issue.GetString(*connection);
            (void)issue.IsEmpty();
            std::unique_ptr<Model::Issue::Base> older = issue.CloneIssue();
            FUZZ_CHECK(older != nullptr, "an issue that cannot be copied");
            (void)issue.Merge(*older);
            (void)issue.Refresh(*connection, Model::Issue::ElementGuidSet());
            if (issue.IsFixable()) {
                issue.Fix(*connection);
            }
        });
    return 0;
}

} // namespace TesselConnect::Fuzz
