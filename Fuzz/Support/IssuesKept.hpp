#pragma once

// What a collection held when it was read, it still holds after storing and merging: every issue
// is listed, recorded as removed or superseded by a listed issue of its kind; every removal record
// stays. Element issues may go on their own (they forget elements the project no longer has), and a
// removal table over its limit is cut. The read-error issue a connection's read puts in place of a
// refused collection is made anew by every read (with a guid of its own), so it is not looked for;
// that a collection was refused only when damaged is checked where it is read (ReadRecord.hpp).

#include "FuzzTarget.hpp"

#include "Model/Issue/Collection.hpp"
#include "Model/Issue/ElementsAssociationBase.hpp"
#include "Model/Issue/UnknownError.hpp"

#include <QB/HashSet.hpp>

#include <fmt/format.h>

#include <memory>
#include <string_view>

namespace TesselConnect::Fuzz {

inline bool IsReadError(const Model::Issue::Base& issue) {
    const auto* unknown = dynamic_cast<const Model::Issue::UnknownError*>(&issue);
    return unknown != nullptr && unknown->GetHint().ToUtf8().starts_with("Issue::Collection read error");
}

inline bool IsElementIssue(const Model::Issue::Base& issue) {
    return dynamic_cast<const Model::Issue::ElementsAssociationBase*>(&issue) != nullptr;
}

// `alongside`, when `now` is `read` merged with another collection: an issue listed there under the
// same identity is the same issue, whatever its kind on each side (another release may store it in a
// form this one does not know), and the merge keeps one copy. The check of that side accounts for
// it: its copy may go only as any issue may (an element issue on its own, or superseded).
inline void CheckIssuesKept(const Model::Issue::Collection& read, const Model::Issue::Collection& now,
                            std::string_view after, const Model::Issue::Collection* alongside = nullptr) {
    QB::HashSet<QB::Guid> checkedThere;
    if (alongside != nullptr) {
        for (const Model::Issue::IssuePtr& issue : alongside->GetIssues()) {
            if (issue != nullptr) {
                checkedThere.Add(issue->GetGuid());
            }
        }
    }
    QB::HashSet<QB::Guid> listed;
    for (const Model::Issue::IssuePtr& issue : now.GetIssues()) {
        if (issue != nullptr) {
            listed.Add(issue->GetGuid());
        }
    }
    for (const Model::Issue::IssuePtr& issue : read.GetIssues()) {
        if (issue == nullptr || IsElementIssue(*issue) || IsReadError(*issue) ||
            checkedThere.Contains(issue->GetGuid())) {
            continue;
        }
        if (listed.Contains(issue->GetGuid()) || now.GetDeletedIssues().ContainsKey(issue->GetGuid())) {
            continue;
        }
        bool superseded = false;
        for (const Model::Issue::IssuePtr& other : now.GetIssues()) {
            const std::unique_ptr<Model::Issue::Base> copy = issue->CloneIssue();
            superseded = superseded || (other != nullptr && copy != nullptr && other->Merge(*copy).isEmpty);
        }
        FUZZ_CHECK(superseded,
                   fmt::format("{}: the issue {} is gone from {}\nread as {}", after, issue->ToString(),
                               now.ToString().substr(0, 4000), read.ToString().substr(0, 4000)));
    }
    if (read.GetDeletedIssues().GetSize() >= Model::Issue::Collection::DeletedEntriesLimit) {
        return;
    }
    for (const auto& [guid, removalTime] : read.GetDeletedIssues()) {
        FUZZ_CHECK(now.GetDeletedIssues().ContainsKey(guid),
                   fmt::format("{}: the removal record of {} is gone", after, guid));
    }
}

} // namespace TesselConnect::Fuzz
