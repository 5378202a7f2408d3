#pragma once

// The link between the open project and one Tessel specification: its classification system, its
// property group, its virtual types (one per clause, keyed by clause id) and its issues, stored in
// the project's module data under "ConnectionWithSpecification:" + specification id.
//
// Ownership: created and loaded only by the connection factory and held by shared pointers (the
// factory keeps weak ones); every observer event needs that shared ownership. The connection shares
// the manager's host interface, page holder and plan data, and owns its virtual types and its
// unassociated-elements cache, which keep a plain back pointer to it (hence neither copyable nor
// movable). The cache follows associations, disassociations and reloads; it is never stored.
//
// Threads: the host's main thread only; no locks.
//
// Errors: the element operations, UpdateTitles and Disconnect run through HandleExceptions and never
// throw: reservation failures become observer events, model errors carrying an issue become that
// issue plus ConnEvent_OperationFailed, anything else an unknown-error issue. RefreshFromStored never
// throws and keeps the connection as it was unless the stored record reads completely. Store throws
// the typed host error of a failed write or host call; Read returns channel errors and throws only
// Model::Error::VersionIncompatibility; the connect constructor passes on what connecting throws.

#include "Model/ClassificationSystem.hpp"
#include "Model/ConnectionWithSpecificationObserver.hpp"
#include "Model/ElementType.hpp"
#include "Model/Issue/Collection.hpp"
#include "Model/PropertyGroup.hpp"
#include "Model/UnassociatedElementsCache.hpp"
#include "Tessel/Api/Properties.hpp"

#include <VNAPI/VNAPI.h>

#include <QB/Array.hpp>
#include <QB/Channel.hpp>
#include <QB/EventSource.hpp>
#include <QB/Guid.hpp>
#include <QB/HashSet.hpp>
#include <QB/HashTable.hpp>
#include <QB/Object.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <fmt/format.h>

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace TesselConnect::Api {
class Vantrel;
}

namespace TesselConnect::Model {

class PlanData;
class TesselPtr;
class VirtualType;

namespace Issue {
class Base;
}

class ConnectionWithSpecification : public QB::EventSource,
                                    public std::enable_shared_from_this<ConnectionWithSpecification> {
public:
    using VirtualTypeTable = QB::HashTable<QB::UniString, std::shared_ptr<VirtualType>>;

    // SortElementsByVirtualType's answer: each virtual type met once, and the elements that carry
    // no clause id.
    struct SortedElements {
        QB::Array<std::shared_ptr<VirtualType>> virtualTypes;
        QB::Array<QB::Guid> unassociatedElements;
    };

    // One row of the issues tab: the issue, its text and the connection it belongs to.
    struct IssueWithText {
        std::shared_ptr<ConnectionWithSpecification> connection;
        std::shared_ptr<Issue::Base> issue;
        QB::UniString text;
    };

    // "Model::ConnectionWithSpecification", main version 1: the frame of the stored form.
    static const QB::ClassInfo classInfo;

    static constexpr std::string_view ModulDataNamePrefix = "ConnectionWithSpecification:";

    // An empty connection, to be filled by Read.
    ConnectionWithSpecification(const std::shared_ptr<Api::Vantrel>& vnApi,
                                const std::shared_ptr<TesselPtr>& tesselPtr,
                                const std::shared_ptr<PlanData>& planData);
    // Connects the project with the specification: checks the classification system, creates the
    // property group with its clause properties, tells the page and stores the connection. Runs
    // inside the caller's undoable command; throws what fails (nothing is caught here).
    ConnectionWithSpecification(
        const std::shared_ptr<Api::Vantrel>& vnApi, const std::shared_ptr<TesselPtr>& tesselPtr,
        const std::shared_ptr<PlanData>& planData, const QB::Guid& classificationSystemGuid,
        const QB::UniString& tesselSpecificationId, const QB::UniString& tesselSpecificationTitle,
        const QB::UniString& tesselProjectId, const QB::UniString& tesselProjectTitle);
    ~ConnectionWithSpecification() override;

    ConnectionWithSpecification(const ConnectionWithSpecification&) = delete;
    ConnectionWithSpecification& operator=(const ConnectionWithSpecification&) = delete;

    // ---- Identity and parts ----

    const QB::UniString& TesselSpecificationId() const noexcept { return _tesselSpecificationId; }
    const QB::UniString& TesselSpecificationTitle() const noexcept { return _tesselSpecificationTitle; }
    const QB::UniString& TesselProjectId() const noexcept { return _tesselProjectId; }
    const QB::UniString& TesselProjectTitle() const noexcept { return _tesselProjectTitle; }

    ClassificationSystem& GetClassificationSystem() noexcept { return _classificationSystem; }
    const ClassificationSystem& GetClassificationSystem() const noexcept { return _classificationSystem; }
    PropertyGroup& GetPropertyGroup() noexcept { return _propertyGroup; }
    const PropertyGroup& GetPropertyGroup() const noexcept { return _propertyGroup; }
    const Issue::Collection& GetIssueCollection() const noexcept { return _issueCollection; }
    UnassociatedElementsCache& GetUnassociatedElementsCache() noexcept { return _unassociatedElementsCache; }
    const UnassociatedElementsCache& GetUnassociatedElementsCache() const noexcept {
        return _unassociatedElementsCache;
    }

    Api::Vantrel& GetVantrel() const noexcept { return *_vnApi; }
    const std::shared_ptr<Api::Vantrel>& GetVantrelShared() const noexcept { return _vnApi; }
    const std::shared_ptr<TesselPtr>& GetTesselPtr() const noexcept { return _tesselPtr; }
    const std::shared_ptr<PlanData>& GetPlanData() const noexcept { return _planData; }

    bool IsMarkedAsDeleted() const noexcept { return _markedAsDeleted; }
    // True when the connection is marked as deleted, or its record has gone from the project
    // since it was read or stored (an undo, or anything else): then it is marked as deleted now
    // and raises ConnEvent_Disconnected, and it is never written back. Never throws; a host that
    // cannot list the records leaves the connection as it is.
    bool IsGoneFromProject();
    // Re-reads the connection when its record in the project is no longer the one it last stored
    // or read: the host's undo and redo restore records without telling anybody. A record gone
    // from the project (`listed` false: the host's list lacks it) marks the connection as deleted,
    // as IsGoneFromProject does. True when the connection re-read its record or went. Never
    // throws; a host that does not hand the record out leaves the connection as it is.
    bool FollowStoredRecord(bool listed);
    bool IsMarkedAsDisconnected() const noexcept { return _markedAsDisconnected; }
    // TIGetTime of the last Store; 0 before the first.
    QB::Int32 GetLastModificationTime() const noexcept { return _lastModificationTime; }

    static QB::UniString GetVirtualTypeIdForClauseId(const QB::UniString& clauseId) { return clauseId; }
    bool HasVirtualType(const QB::UniString& virtualTypeId) const;
    // Throws std::out_of_range for an id that HasVirtualType denies (a programming error).
    const std::shared_ptr<VirtualType>& GetVirtualType(const QB::UniString& virtualTypeId) const;
    const VirtualTypeTable& GetVirtualTypes() const noexcept { return _virtualTypes; }

    QB::UniString ModulDataName() const;
    static QB::UniString ModulDataName(const QB::UniString& tesselSpecificationId);
    static bool IsModulDataNameOfThisType(const QB::UniString& modulDataName);

    // Replaces "{ArdoTesselSpecificationId}", "{ArdoTesselSpecificationTitle}", "{ArdoTesselProjectId}"
    // and "{ArdoTesselProjectTitle}" with this connection's values; a non-empty override replaces the
    // stored title. Inserted values are not scanned for placeholders again.
    QB::UniString ResolveStringVariables(const QB::UniString& text,
                                         const QB::UniString& specTitleOverride = {},
                                         const QB::UniString& projectTitleOverride = {}) const;
    static QB::UniString ResolveStringVariables(const QB::UniString& text, const QB::UniString& specId,
                                                const QB::UniString& specTitle,
                                                const QB::UniString& projectId,
                                                const QB::UniString& projectTitle);

    // ---- Connection state ----

    // Tells the attached page that the project is connected; clears the disconnected mark (and
    // stores) only when a page was told. Throws what the store throws.
    void ReconnectWithTesselSpecification();
    // Refuses associations until reconnected; stores. Throws what the store throws.
    void MarkAsDisconnected();
    // Removes the property group and the module data, tells the page when asked and a page is
    // attached, marks the connection as deleted and raises ConnEvent_Disconnected, all as one undo
    // step. Returns whether the connection is now marked as deleted; never throws.
    bool Disconnect(bool tellThePage);

    // ---- Stored form ----

    // Writes the connection into its module data. On a connection marked as deleted only logs.
    // Called outside this connection's own commands, the store runs as a host command that adds no
    // undo step (inside a caller's command the host runs it as part of that one). Throws the typed
    // host error of a failed write or store.
    void Store();
    // Re-reads the connection from its module data after other users' changes. Never throws; a
    // record that does not read completely leaves the connection as it was. A record gone, or
    // rewritten by a newer add-on, marks the connection as deleted (it is never stored again).
    void RefreshFromStored();
    // The record as the factory read it into this connection (what FollowStoredRecord compares).
    void RememberStoredRecord(const API_ModulData& record) { _knownRecord = record; }
    QB::ErrCode Write(QB::OChannel& oc) const;
    // Needs shared ownership (raises ConnEvent_VirtualTypesChanged and ConnEvent_IssuesChanged).
    QB::ErrCode Read(QB::IChannel& ic);
    // Takes over another user's copy of this connection (same specification id): its flags, parts
    // and titles, the virtual types this one lacks (re-owned by this connection) and its issues;
    // what both list is then in the other's order, so that merging the result back into the other
    // gives the same record. True when virtual types or issues changed. `toMerge` is to be discarded
    // afterwards.
    bool MergeIn(ConnectionWithSpecification& toMerge);

    // ---- Failure handling ----

    // Runs `function`; true when it threw nothing. Otherwise turns the failure into observer events
    // and issues (see the file comment) and answers false. Never throws.
    bool HandleExceptions(const std::function<void()>& function);
    // HandleExceptions inside one host undoable command named `undoName`. Never throws.
    bool ExecuteUndoable(const QB::UniString& undoName, const std::function<void()>& function);

    // ---- Element operations (each one undo step; none throws) ----

    // Associates the elements with the clause, creating (and storing, announcing) its virtual type
    // first when there is none, and tells the page when asked. Skipped while marked as disconnected.
    void Associate(const QB::UniString& tesselClauseId, const Api::Properties& properties,
                   const QB::Array<QB::Guid>& elemGuids, bool tellThePage);
    void Disassociate(const QB::UniString& tesselClauseId, const QB::Array<QB::Guid>& elemGuids);
    // Takes over changed clause properties and rewrites them onto the associated elements; without a
    // change or pending dirty properties nothing happens unless `force`.
    void UpdateProperties(const QB::UniString& virtualTypeId, const Api::Properties& properties, bool force);
    // Rewrites the stored clause properties onto the elements of every virtual type, with progress.
    void UpdateAllElementProperties();
    // Renames the property group after new titles. False (and no undo step) when both equal the
    // stored ones; otherwise true, whether or not the host accepted them.
    bool UpdateTitles(const QB::UniString& specTitle, const QB::UniString& projectTitle);

    SortedElements SortElementsByVirtualType(const QB::Array<QB::Guid>& elemGuids);
    QB::Array<QB::Guid> GetElementsOfVirtualType(const QB::UniString& virtualTypeId);
    // In table order. `function` must not add or remove virtual types.
    void ForEachVirtualType(const std::function<void(VirtualType&)>& function) const;

    // ---- Issues (each stores the connection and raises ConnEvent_IssuesChanged on a change) ----

    void AddIssue(const std::shared_ptr<Issue::Base>& issue);
    // Adds the new issues and lets every issue forget the elements that succeeded now.
    void UpdateIssues(QB::Array<std::shared_ptr<Issue::Base>> newIssues,
                      const QB::Array<QB::Guid>& elemGuids);
    void RemoveIssue(const std::shared_ptr<Issue::Base>& issue);
    // Drops elements that no longer exist from the issues.
    void RefreshIssues();
    // Needs shared ownership.
    QB::Array<IssueWithText> GetIssuesWithText();

    // Raised on behalf of the unassociated-elements cache.
    void NotifyUnassociatedElementTypeChanged(const QB::HashSet<ElementType>& types);

    friend std::ostream& operator<<(std::ostream& os, const ConnectionWithSpecification& conn);

private:
    class CommandScope;
    using ObserverEvent = std::function<void(ConnectionWithSpecificationObserver&,
                                             const std::shared_ptr<ConnectionWithSpecification>&)>;

    // Runs `event` for every observer, newest first; an observer's failure is logged and the others
    // still hear of it. Needs shared ownership.
    void Notify(const ObserverEvent& event);
    // A virtual type came, or a virtual type's clause properties changed.
    void NotifyVirtualTypesChanged();
    // What a read or a reload tells: virtual types, then issues.
    void NotifyContentChanged();
    // A reaction of HandleExceptions that must not throw in turn.
    static void ReactSafely(const std::function<void()>& reaction) noexcept;

    // Runs a change of the project inside a host command: at once when this connection is running
    // one, else in a command of its own without an undo step. Rethrows what the change throws.
    void RunInCommand(const QB::UniString& commandName, const std::function<void()>& change);

    // Steps of Read without its notifications; `issuesReached` tells whether reading got as far as
    // the issues (after which Read notifies).
    QB::ErrCode ReadFields(QB::IChannel& ic, bool& issuesReached);
    // RefreshFromStored's reading of a record the host handed out.
    void RefreshFromRecord(const QB::UniString& name, const API_ModulData& record);
    // The record went from the project behind this connection's back: marks it as deleted and
    // raises ConnEvent_Disconnected.
    void MarkGoneFromProject(const QB::UniString& name);
    // Takes the stored content of `source` (read completely) as this connection's own.
    void TakeOverStoredContent(ConnectionWithSpecification& source);
    // A virtual type equal to `other`, owned by this connection.
    std::shared_ptr<VirtualType> AdoptVirtualType(const VirtualType& other);

    // UpdateIssues that stores also when `storeAnyway` (a change the issues do not show, such as a
    // virtual type's cleared dirty names); it stores at most once.
    void UpdateIssuesAndStoreIf(QB::Array<std::shared_ptr<Issue::Base>> newIssues,
                                const QB::Array<QB::Guid>& elemGuids, bool storeAnyway);

    // Seams for the unassociated-elements cache, which follows these changes of the project.
    void ElementsWereAssociated(const QB::Array<QB::Guid>& elemGuids);
    void ElementsWereDisassociated(const QB::Array<QB::Guid>& elemGuids);
    void ReloadedFromStored();

    std::shared_ptr<Api::Vantrel> _vnApi;
    std::shared_ptr<TesselPtr> _tesselPtr;
    std::shared_ptr<PlanData> _planData;
    bool _markedAsDeleted = false;
    QB::Int32 _lastModificationTime = 0;
    bool _markedAsDisconnected = false;
    ClassificationSystem _classificationSystem;
    PropertyGroup _propertyGroup;
    Issue::Collection _issueCollection;
    QB::UniString _tesselSpecificationId;
    QB::UniString _tesselSpecificationTitle;
    QB::UniString _tesselProjectId;
    QB::UniString _tesselProjectTitle;
    VirtualTypeTable _virtualTypes;
    // Rebuilt from the project, never stored.
    UnassociatedElementsCache _unassociatedElementsCache;
    // Commands of this connection now running (see RunInCommand); not stored.
    int _commandDepth = 0;
    // The project held this connection's record (it was read from or stored into it); not stored.
    bool _recordKnown = false;
    // Set by a command body that told the user of its own refusal and did nothing worth keeping:
    // ExecuteUndoable then has the host take the whole command back.
    bool _takeCommandBack = false;
    // The record as this connection last stored or read it; empty when a read failed, so that the
    // next FollowStoredRecord reads it again. Not stored.
    API_ModulData _knownRecord;
};

std::string ToString(const ConnectionWithSpecification& conn);

} // namespace TesselConnect::Model

template <>
struct fmt::formatter<TesselConnect::Model::ConnectionWithSpecification> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext>
    auto format(const TesselConnect::Model::ConnectionWithSpecification& conn, FormatContext& ctx) const {
        const std::string text = TesselConnect::Model::ToString(conn);
        return fmt::formatter<fmt::string_view>::format(fmt::string_view(text.data(), text.size()), ctx);
    }
};
