#pragma once

// The host property group that a connection creates for its specification: one custom string
// property definition per clause property (ArdoTesselClauseId, ArdoTesselCode, ArdoTesselTitle,
// ArdoTesselPrefix, ArdoTesselSuffix), written onto associated elements by the virtual types.
// Remembers the group's guid and, per clause property name, its definition's guid; notices a
// group or definition that the user deleted only when asked (IsExists, IsExistsProperty).
//
// Owned by value by its connection (Model::ConnectionWithSpecification), reached through a
// plain back pointer for the host interface, the placeholder resolution and the classification
// system. Host main thread only. Host failures pass to the caller as typed errors (a missing
// property-manager reservation as Api::ErrorPropertyManagerNoAccessRight); a missing group
// throws Model::Error::MissingPropertyGroup, a missing definition Model::Error::MissingProperty.
// Name clashes never fail: "*" is appended until the host accepts the name.

#include <QB/Guid.hpp>
#include <QB/HashTable.hpp>
#include <QB/Object.hpp>
#include <QB/UniString.hpp>

#include <fmt/format.h>

#include <iosfwd>
#include <string>

namespace TesselConnect::Api {
class Vantrel;
}

namespace TesselConnect::Model {

class ConnectionWithSpecification;

class PropertyGroup : public QB::Object {
public:
    using DefinitionGuids = QB::HashTable<QB::UniString, QB::Guid>;

    static const QB::ClassInfo classInfo;

    explicit PropertyGroup(ConnectionWithSpecification* owner) noexcept : _owner(owner) {}
    PropertyGroup(const PropertyGroup& other) = default;
    // Takes the other's group and definitions; the owner stays.
    PropertyGroup& operator=(const PropertyGroup& other);
    ~PropertyGroup() override;

    const QB::Guid& GetGuid() const noexcept { return _guid; }
    const DefinitionGuids& GetDefinitionGuids() const noexcept {
        return _tesselPropertyNameToDefinitionGuids;
    }

    // Creates the host group, named after the connection's specification and project titles.
    void Create();
    // Makes sure the group has a definition for the clause property `name`: adopts one the user
    // made by hand with exactly that name, else creates it (available for every item of the
    // connection's classification system, default value "<Unassociated>").
    void CreatePropertyIfNotExists(const QB::UniString& name);

    // False (logged) for a null guid or a group the user deleted.
    bool IsExists() const;
    void CheckExists() const;
    // False when the name has no definition or the user deleted it.
    bool IsExistsProperty(const QB::UniString& name) const;
    // Throws MissingProperty when IsExistsProperty is false.
    QB::Guid GetDefinitionGuid(const QB::UniString& name) const;

    // The element's ArdoTesselClauseId value; empty when the property is not available for the
    // element or the element has only the default value. Host errors pass (APIERR_BADID for a
    // deleted element).
    QB::UniString GetElementClauseId(const QB::Guid& elemGuid) const;

    // Renames the group; an empty title keeps the connection's stored one.
    void UpdateTitle(const QB::UniString& newSpecificationTitle, const QB::UniString& newProjectTitle);

    // Deletes the host group (one the user already deleted is fine) and forgets it.
    void Remove();

    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    // Throws Model::Error::VersionIncompatibility for a newer main version.
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;
    // "{ _guid: <guid>, _tesselPropertyNameToDefinitionGuids: {name: guid, ...} }"
    void Print(std::ostream& os) const override;
    std::string ToString() const;

private:
    Api::Vantrel& GetVantrel() const;
    QB::UniString ResolveGroupName(const QB::UniString& specificationTitle,
                                   const QB::UniString& projectTitle) const;

    ConnectionWithSpecification* _owner;
    QB::Guid _guid;
    DefinitionGuids _tesselPropertyNameToDefinitionGuids;
};

std::ostream& operator<<(std::ostream& os, const PropertyGroup& group);

} // namespace TesselConnect::Model

template <> struct fmt::formatter<TesselConnect::Model::PropertyGroup> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext>
    auto format(const TesselConnect::Model::PropertyGroup& group, FormatContext& ctx) const {
        const std::string text = group.ToString();
        return fmt::formatter<fmt::string_view>::format(fmt::string_view(text.data(), text.size()), ctx);
    }
};
