#pragma once

// The connection's reference to the host classification system whose items stand for the
// specification's clauses: an item belongs to a clause when its code (the item's id text)
// equals the clause code. The add-on never creates items.
//
// Owned by value by its connection (Model::ConnectionWithSpecification), which it reaches
// through a plain back pointer for the host interface. Host main thread only. Host failures
// pass to the caller as typed errors; a null or deleted system throws
// Model::Error::MissingClassificationSystem. Stored with the connection's module data.

#include <QB/Array.hpp>
#include <QB/Guid.hpp>
#include <QB/Object.hpp>
#include <QB/UniString.hpp>

#include <fmt/format.h>

#include <iosfwd>

namespace TesselConnect::Api {
class Vantrel;
}

namespace TesselConnect::Model {

class ConnectionWithSpecification;

class ClassificationSystem : public QB::Object {
public:
    static const QB::ClassInfo classInfo;

    explicit ClassificationSystem(ConnectionWithSpecification* owner) noexcept : _owner(owner) {}
    ClassificationSystem(ConnectionWithSpecification* owner, const QB::Guid& guid) noexcept
        : _owner(owner), _guid(guid) {}
    ClassificationSystem(const ClassificationSystem& other) = default;
    // Takes the other's system; the owner stays.
    ClassificationSystem& operator=(const ClassificationSystem& other) noexcept;
    ~ClassificationSystem() override;

    const QB::Guid& GetGuid() const noexcept { return _guid; }

    // Throws MissingClassificationSystem when the guid is null or the host no longer has the
    // system; other host errors pass.
    void CheckExists() const;

    // The first item, in pre-order (each item before its children, siblings in the host's
    // order), whose code equals `code` exactly (case-sensitive); a null guid when none does.
    QB::Guid FindItemGuidByCode(const QB::UniString& code) const;

    // Every item of the system in the same pre-order walk.
    QB::Array<QB::Guid> GetAllItemGuids() const;

    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    // Only the guid. Throws Model::Error::VersionIncompatibility for a newer main version.
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;
    // "{ _guid: <guid> }"
    void Print(std::ostream& os) const override;

private:
    Api::Vantrel& GetVantrel() const;

    ConnectionWithSpecification* _owner;
    QB::Guid _guid;
};

std::ostream& operator<<(std::ostream& os, const ClassificationSystem& system);

} // namespace TesselConnect::Model

template <>
struct fmt::formatter<TesselConnect::Model::ClassificationSystem> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext>
    auto format(const TesselConnect::Model::ClassificationSystem& system, FormatContext& ctx) const {
        const std::string text = fmt::format("{{ _guid: {} }}", system.GetGuid());
        return fmt::formatter<fmt::string_view>::format(fmt::string_view(text.data(), text.size()), ctx);
    }
};
