#pragma once

// The issues of one connection, in insertion order (after a merge, the other's first), and the guids of the
// issues the user removed (with the removal time), so that merging older module data of another user does not
// bring them back.
//
// Owned by its connection (a plain back pointer, not owned), stored with it and merged when
// module data of several users is merged. Issues are shared: the same objects may be listed by
// the issues tab and held by operation results.
//
// Adding: a newer issue already present strips the new one first (it is dropped when nothing is
// left), then the new one strips the older ones (emptied ones are removed). Membership tests use
// hash sets, so adding, refreshing and merging stay linear in the number of errored elements.
//
// Main thread only.

#include "Model/Issue/Base.hpp"

#include <QB/Array.hpp>
#include <QB/Channel.hpp>
#include <QB/Guid.hpp>
#include <QB/HashTable.hpp>
#include <QB/Object.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <iosfwd>
#include <memory>
#include <string>
#include <type_traits>

namespace TesselConnect::Model::Issue {

class Collection final : public QB::Object {
public:
    static const QB::ClassInfo classInfo;
    static std::unique_ptr<QB::Object> Create();

    // The deleted table is cut to the newest KeptDeletedEntries once it reaches this size.
    static constexpr QB::USize DeletedEntriesLimit = 4000;
    static constexpr QB::USize KeptDeletedEntries = 2000;

    // Without an owner the collection can hold, store and merge issues but not refresh them.
    Collection() = default;
    explicit Collection(ConnectionWithSpecification* owner) noexcept : _owner(owner) {}
    Collection(const Collection&) = default;
    Collection& operator=(const Collection&) = default;
    ~Collection() override;

    ConnectionWithSpecification* GetOwner() const noexcept { return _owner; }
    void SetOwner(ConnectionWithSpecification* owner) noexcept { _owner = owner; }

    // Adds the issue after letting it and the issues present strip each other. Returns whether
    // the container changed. A null or already empty issue is not added.
    bool Add(const IssuePtr& issue);
    // Adds each issue and empties `issues`; true when it was not empty.
    bool AddAll(Issues& issues);
    // Lets every issue forget the elements in `succeeded` and those that no longer exist;
    // emptied issues are removed. Returns whether anything changed.
    bool Refresh(const QB::Array<QB::Guid>& succeeded);
    // Removes the issues (found by identity) and remembers their guids as deleted.
    void Remove(const IssuePtr& issue);
    void Remove(const Issues& issues);
    // Takes over the other's deleted guids and its issues that are not deleted here, then
    // refreshes. What the other lists comes first, in its order, then what only this one has, so
    // that the other user merging the result back stores the same record. Returns whether anything
    // changed.
    bool MergeIn(const Collection& other);
    // Adds an UnknownError issue with `hint`.
    void AddUnknownError(const QB::UniString& hint);
    // Forgets all issues and deleted guids.
    void Clear() noexcept;

    const Issues& GetIssues() const noexcept { return _container; }
    template <typename Kind> Issues GetIssuesOfType() const {
        static_assert(std::is_base_of_v<Base, Kind>);
        Issues found;
        for (const IssuePtr& issue : _container) {
            if (dynamic_cast<const Kind*>(issue.get()) != nullptr) {
                found.Push(issue);
            }
        }
        return found;
    }
    const QB::HashTable<QB::Guid, QB::Int32>& GetDeletedIssues() const noexcept { return _deletedIssues; }

    std::unique_ptr<QB::Object> Clone() const override;
    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    // Throws what CreateAndRead throws for a stored issue that cannot be recreated, and
    // Model::Error::VersionIncompatibility for a newer stored collection.
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;
    // "{issues: [<issue>, ...], deleted: [(<guid>,<time>), ...]"
    void Print(std::ostream& os) const override;
    std::string ToString() const;

private:
    bool RefreshAll(const ElementGuidSet& succeeded);
    void PutInMergedOrder(const Collection& other);
    void PruneDeletedIssues();

    ConnectionWithSpecification* _owner = nullptr;
    Issues _container;
    QB::HashTable<QB::Guid, QB::Int32> _deletedIssues;
};

std::ostream& operator<<(std::ostream& os, const Collection& collection);

} // namespace TesselConnect::Model::Issue

template <>
struct fmt::formatter<TesselConnect::Model::Issue::Collection> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext>
    auto format(const TesselConnect::Model::Issue::Collection& collection, FormatContext& ctx) const {
        const std::string text = collection.ToString();
        return fmt::formatter<fmt::string_view>::format(fmt::string_view(text.data(), text.size()), ctx);
    }
};
