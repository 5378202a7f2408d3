#include "Model/Issue/Collection.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/Errors.hpp"
#include "Model/Issue/UnknownError.hpp"
#include "Model/MergedOrder.hpp"
#include "Vantrel/Api/Error/Assert.hpp"

#include <QB/ContainerChannel.hpp>
#include <QB/HashSet.hpp>
#include <QB/Time.hpp>

#include <algorithm>
#include <ostream>
#include <sstream>
#include <utility>
#include <vector>

namespace TesselConnect::Model::Issue {

const QB::ClassInfo Collection::classInfo("Model::Issue::Collection",
                                          QB::Guid("{c5de7453-ac8d-421c-b1c3-8694851fd4d8}"), 1, 0,
                                          &Collection::Create);

std::unique_ptr<QB::Object> Collection::Create() {
    return std::make_unique<Collection>();
}

Collection::~Collection() = default;

bool Collection::Add(const IssuePtr& issue) {
    if (!ATC_EXPECT_ERROR(issue != nullptr, "issue != nullptr")) {
        return false;
    }
    if (issue->IsEmpty()) {
        return false;
    }
    const QB::USize size = _container.GetSize();
    QB::USize firstNewer = size;
    for (QB::USize i = 0; i < size; ++i) {
        if (_container[i] != nullptr && _container[i]->GetCreationTime() > issue->GetCreationTime()) {
            firstNewer = i;
            break;
        }
    }

    // Issues newer than the new one (as after a merge of module data) strip it first.
    for (QB::USize i = size; i > firstNewer; --i) {
        const IssuePtr& newer = _container[i - 1];
        if (newer != nullptr && newer != issue && newer->Merge(*issue).isEmpty) {
            return false;
        }
    }

    for (QB::USize i = firstNewer; i > 0; --i) {
        const IssuePtr older = _container[i - 1];
        if (older != nullptr && older != issue && issue->Merge(*older).isEmpty) {
            _container.Delete(i - 1);
        }
    }
    _container.Push(issue);
    return true;
}

bool Collection::AddAll(Issues& issues) {
    if (issues.IsEmpty()) {
        return false;
    }
    for (const IssuePtr& issue : issues) {
        Add(issue);
    }
    issues.Clear();
    return true;
}

bool Collection::Refresh(const QB::Array<QB::Guid>& succeeded) {
    return RefreshAll(ElementGuidSet(succeeded.begin(), succeeded.end()));
}

bool Collection::RefreshAll(const ElementGuidSet& succeeded) {
    // Without a connection there is no host to ask; null entries are still dropped.
    const bool canRefresh = ATC_EXPECT_ERROR(_owner != nullptr, "_owner != nullptr");
    bool changed = false;
    for (QB::USize i = _container.GetSize(); i > 0; --i) {
        if (!ATC_EXPECT_CRITICAL(this->_container[i - 1] != nullptr, "this->_container[i - 1] != nullptr")) {
            _container.Delete(i - 1);
            changed = true;
            continue;
        }
        if (!canRefresh) {
            continue;
        }
        const ChangeResult result = _container[i - 1]->Refresh(*_owner, succeeded);
        if (result.changed || result.isEmpty) {
            changed = true;
        }
        if (result.isEmpty) {
            _container.Delete(i - 1);
        }
    }
    return changed;
}

void Collection::Remove(const IssuePtr& issue) {
    Remove(Issues{issue});
}

void Collection::Remove(const Issues& issues) {
    QB::HashSet<const Base*> toRemove;
    for (const IssuePtr& issue : issues) {
        if (issue != nullptr) {
            toRemove.Add(issue.get());
        }
    }
    if (toRemove.IsEmpty()) {
        return;
    }
    const QB::Int32 now = TIGetTime();
    const QB::USize removed = _container.DeleteIf([&](const IssuePtr& issue) {
        if (issue == nullptr || !toRemove.Contains(issue.get())) {
            return false;
        }
        _deletedIssues.Put(issue->GetGuid(), now);
        return true;
    });
    if (removed > 0) {
        PruneDeletedIssues();
    }
}

bool Collection::MergeIn(const Collection& other) {
    if (&other == this) {
        return false;
    }
    bool changed = false;

    // Issues the other user removed are removed here too, and stay removed.
    for (const auto& [guid, removalTime] : other._deletedIssues) {
        changed = _deletedIssues.Add(guid, removalTime) || changed;
    }
    const QB::USize removed = _container.DeleteIf([&](const IssuePtr& issue) {
        return issue != nullptr && other._deletedIssues.ContainsKey(issue->GetGuid());
    });
    changed = changed || removed > 0;

    QB::HashSet<QB::Guid> present;
    for (const IssuePtr& issue : _container) {
        if (issue != nullptr) {
            present.Add(issue->GetGuid());
        }
    }
    for (const IssuePtr& issue : other._container) {
        if (issue == nullptr || _deletedIssues.ContainsKey(issue->GetGuid())) {
            continue;
        }
        // Both copies of the module data hold the issues that existed before they parted; the
        // copy here is already listed, and a second one with the same identity would show twice.
        // A record that lists one identity twice itself is damaged, but both of its entries are
        // kept as its read kept them: taking only the first would lose the second for good once a
        // newer issue supersedes the first.
        if (present.Contains(issue->GetGuid())) {
            continue;
        }
        changed = Add(issue) || changed;
    }

    changed = RefreshAll(ElementGuidSet()) || changed;
    PutInMergedOrder(other);
    PruneDeletedIssues();
    return changed;
}

void Collection::PutInMergedOrder(const Collection& other) {
    // As InTheOthersOrder does for keyed tables (MergedOrder.hpp), for the issues' list.
    QB::HashTable<QB::Guid, QB::USize> otherPlace;
    for (const IssuePtr& issue : other._container) {
        if (issue != nullptr) {
            otherPlace.Add(issue->GetGuid(), otherPlace.GetSize());
        }
    }
    const auto placeOf = [&otherPlace](const IssuePtr& issue) {
        const QB::USize* place = issue != nullptr ? otherPlace.GetPtr(issue->GetGuid()) : nullptr;
        return place != nullptr ? *place : otherPlace.GetSize();
    };
    std::stable_sort(
        _container.begin(), _container.end(),
        [&placeOf](const IssuePtr& left, const IssuePtr& right) { return placeOf(left) < placeOf(right); });

    _deletedIssues = InTheOthersOrder(_deletedIssues, other._deletedIssues);
}

void Collection::AddUnknownError(const QB::UniString& hint) {
    Add(std::make_shared<UnknownError>(hint));
}

void Collection::Clear() noexcept {
    _container.Clear();
    _deletedIssues.Clear();
}

void Collection::PruneDeletedIssues() {
    if (_deletedIssues.GetSize() < DeletedEntriesLimit) {
        return;
    }
    // Latest removal first and a stable sort, so that among equal removal times the later removals
    // are kept: a record dropped here lets another user's copy bring its issue back.
    std::vector<std::pair<QB::Guid, QB::Int32>> entries(_deletedIssues.begin(), _deletedIssues.end());
    std::reverse(entries.begin(), entries.end());
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& left, const auto& right) { return left.second > right.second; });
    entries.resize(KeptDeletedEntries);
    // Oldest first again and, within one second, in the order they were removed in.
    std::reverse(entries.begin(), entries.end());
    _deletedIssues.Clear();
    for (const auto& [guid, removalTime] : entries) {
        _deletedIssues.Put(guid, removalTime);
    }
}

std::unique_ptr<QB::Object> Collection::Clone() const {
    return std::make_unique<Collection>(*this);
}

QB::ErrCode Collection::Read(QB::IChannel& ic) {
    if (const QB::ErrCode status = ic.GetStatus(); status != QB::NoError) {
        return status;
    }
    QB::InputFrame frame(ic, classInfo);
    if (frame.GetMainVersion() > classInfo.GetMainVersion()) {
        throw Error::VersionIncompatibility(classInfo.GetName(), frame.GetMainVersion());
    }
    if (const QB::ErrCode status = frame.GetStatus(); status != QB::NoError) {
        return status;
    }
    _container.Clear();
    QB::UInt32 count = 0;
    if (ic.Read(count) != QB::NoError) {
        return ic.GetStatus();
    }
    for (QB::UInt32 i = 0; i < count; ++i) {
        _container.Push(IssuePtr(CreateAndRead(ic)));
    }
    QB::ReadHashTable(ic, _deletedIssues);
    frame.End();
    return ic.GetStatus();
}

QB::ErrCode Collection::Write(QB::OChannel& oc) const {
    QB::OutputFrame frame(oc, classInfo);
    // Null entries are a programming error elsewhere; they must not make the record unreadable.
    const auto storedCount = static_cast<QB::USize>(std::count_if(
        _container.begin(), _container.end(), [](const IssuePtr& issue) { return issue != nullptr; }));
    QB::Detail::WriteCount(oc, storedCount);
    for (const IssuePtr& issue : _container) {
        if (oc.GetStatus() != QB::NoError) {
            break;
        }
        if (issue != nullptr) {
            WriteWithClassId(oc, *issue);
        }
    }
    if (oc.GetStatus() == QB::NoError) {
        QB::WriteHashTable(oc, _deletedIssues);
    }
    return frame.End();
}

void Collection::Print(std::ostream& os) const {
    os << "{issues: [";
    const char* separator = "";
    for (const IssuePtr& issue : _container) {
        os << separator;
        if (issue != nullptr) {
            issue->Print(os);
        }
        separator = ", ";
    }
    os << "], deleted: [";
    separator = "";
    for (const auto& [guid, removalTime] : _deletedIssues) {
        os << separator << "(" << guid << "," << removalTime << ")";
        separator = ", ";
    }
    os << "]";
}

std::string Collection::ToString() const {
    std::ostringstream os;
    Print(os);
    return std::move(os).str();
}

std::ostream& operator<<(std::ostream& os, const Collection& collection) {
    collection.Print(os);
    return os;
}

} // namespace TesselConnect::Model::Issue
