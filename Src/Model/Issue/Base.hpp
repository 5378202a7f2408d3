#pragma once

// The common base of every issue: a record of an operation that failed in part or in whole.
//
// Issues belong to a connection's issue collection, are stored with it and are shared by
// reference count between the collection, operation results and the issues tab. Every kind
// registers its class information with the core library's class manager when the library is
// loaded, so a stored issue is recreated from its class guid (CreateAndRead).
//
// Stored form: each class opens an object frame under its own class information, writes its own
// fields and then its base class the same way, so the frames nest with the most derived class
// outermost; the innermost frame ("Model::Issue::Base") holds guid, creationTime and severity.
// Reading a frame stored with a newer main version throws Model::Error::VersionIncompatibility;
// any other read failure is answered as the channel's status.
//
// Main thread only, like the rest of the model.

#include <QB/Array.hpp>
#include <QB/Channel.hpp>
#include <QB/Guid.hpp>
#include <QB/HashSet.hpp>
#include <QB/Object.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <fmt/format.h>

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace TesselConnect::Model {
class ConnectionWithSpecification;
}

namespace TesselConnect::Model::Issue {

class Base;

using IssuePtr = std::shared_ptr<Base>;
using Issues = QB::Array<IssuePtr>;
// Elements an operation succeeded on; membership is what issues ask of it.
using ElementGuidSet = QB::HashSet<QB::Guid>;

namespace Severity {
inline constexpr QB::Int32 Warning = 2;
inline constexpr QB::Int32 Error = 3;
} // namespace Severity

// (the issue or the older issue is now empty, something changed)
struct ChangeResult {
    bool isEmpty = false;
    bool changed = false;

    friend bool operator==(const ChangeResult&, const ChangeResult&) = default;
};

class Base : public QB::Object {
public:
    static const QB::ClassInfo classInfo;

    ~Base() override;

    // The text shown to the user, with every placeholder the connection and the issue know
    // resolved. Never throws for missing resources or views; those are logged.
    virtual QB::UniString GetString(ConnectionWithSpecification& connection) const = 0;
    virtual bool IsFixable() const = 0;
    // Re-runs what failed through the connection. Never throws to its caller.
    virtual void Fix(ConnectionWithSpecification& connection) = 0;
    // The issue no longer describes anything and can be dropped.
    virtual bool IsEmpty() const = 0;
    // Forgets what is fine now: `succeeded` are elements an operation has just succeeded on.
    virtual ChangeResult Refresh(ConnectionWithSpecification& connection, const ElementGuidSet& succeeded);
    // This (newer) issue strips from `older` what it covers itself; the result tells whether
    // `older` is now empty and whether it changed.
    virtual ChangeResult Merge(Base& older) = 0;
    // Every kind writes the base part first (PrintBase).
    void Print(std::ostream& os) const override = 0;

    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;

    // A deep copy of the same kind.
    std::unique_ptr<Base> CloneIssue() const;

    const QB::Guid& GetGuid() const noexcept { return _guid; }
    QB::Int32 GetCreationTime() const noexcept { return _creationTime; }
    QB::Int32 GetSeverity() const noexcept { return _severity; }

    // The printed form, as written by Print.
    std::string ToString() const;

    // The polymorphic stored form: the class guid, then Write. A kind that must be readable by
    // add-ons that do not know its class stores itself as one they know.
    virtual QB::ErrCode WriteWithClassId(QB::OChannel& oc) const;

protected:
    // Only before reading: null guid, time 0, severity error.
    Base() = default;
    // A new issue: a fresh random guid and the current core-library time.
    explicit Base(QB::Int32 severity);
    Base(const Base&) = default;
    Base& operator=(const Base&) = default;
    // An issue recreated from a stored form other than its own: the identity it was stored with.
    void SetIdentity(const QB::Guid& guid, QB::Int32 creationTime, QB::Int32 severity) noexcept {
        _guid = guid;
        _creationTime = creationTime;
        _severity = severity;
    }

    // "guid: <guid>, severity: Warning|Error, creationTime: <time>"
    void PrintBase(std::ostream& os) const;

    // The shared frame of every issue class: opens the frame of `info`, runs `body` (own fields,
    // then the base class's Write) and completes the frame. Returns the channel's status.
    static QB::ErrCode WriteFrame(QB::OChannel& oc, const QB::ClassInfo& info,
                                  const std::function<void()>& body);
    // Opens the frame of `info`; throws Model::Error::VersionIncompatibility for a newer main
    // version; returns a non-zero frame status at once; otherwise runs `body` (own fields, then
    // the base class's Read) and returns the channel's status.
    static QB::ErrCode ReadFrame(QB::IChannel& ic, const QB::ClassInfo& info,
                                 const std::function<void()>& body);

private:
    QB::Guid _guid;
    QB::Int32 _creationTime = 0;
    QB::Int32 _severity = Severity::Error;
};

// The polymorphic stored form (Base::WriteWithClassId).
QB::ErrCode WriteWithClassId(QB::OChannel& oc, const Base& issue);

// Reads a class guid and recreates the issue of that class through the class registry. An issue
// of a class this add-on does not know, or of a newer main version of a class it knows, was
// stored by a newer add-on: it is kept as it was stored (UnknownKind), so that reading, storing
// and merging never lose it.
// Throws the host error of a channel failure (Api::GeneralError and subclasses) and
// AddonRuntimeError for a known class that cannot be constructed or is not an issue.
std::unique_ptr<Base> CreateAndRead(QB::IChannel& ic);

std::ostream& operator<<(std::ostream& os, const Base& issue);

} // namespace TesselConnect::Model::Issue

// Every issue kind formats as its printed form.
template <typename IssueKind>
struct fmt::formatter<IssueKind, char,
                      std::enable_if_t<std::is_base_of_v<TesselConnect::Model::Issue::Base, IssueKind>>>
    : fmt::formatter<fmt::string_view> {
    template <typename FormatContext> auto format(const IssueKind& issue, FormatContext& ctx) const {
        const std::string text = issue.ToString();
        return fmt::formatter<fmt::string_view>::format(fmt::string_view(text.data(), text.size()), ctx);
    }
};
