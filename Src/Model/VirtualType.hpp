#pragma once

// The add-on's record of one specification clause that model elements are associated with.
// It ties the clause attributes as the page delivered them (Api::Properties: clause id, code,
// title, prefix, suffix) to the classification item whose code is the clause code and to the
// property definitions of the connection's property group that carry the attributes on
// elements. Its id is the clause id; its elements are those that carry its item and whose
// ArdoTesselClauseId value equals the id.
//
// Owned by its connection (shared pointer in a table keyed by the id) and stored with the
// connection's module data; holds a plain back pointer to the connection for the host interface,
// the classification system, the property group, the placeholders and the connection's Store.
// Host main thread only.
//
// Every element operation first checks that the classification item still exists (throwing
// Model::Error::MissingClassificationItem, before any element changes) and never stops at one
// element: an element's failure becomes an errored element of the operation's issue for its
// reason (at most one issue per reason). Missing group or definition: MissingPropertyGroup /
// MissingProperty from the property group; reservation errors pass as typed host errors.

#include "Model/AssociationResult.hpp"
#include "Tessel/Api/AssociableType.hpp"
#include "Tessel/Api/Properties.hpp"

#include <VNAPI/VNAPI.h>

#include <QB/Array.hpp>
#include <QB/Guid.hpp>
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

class VirtualType : public QB::Object {
public:
    static const QB::ClassInfo classInfo;

    // An empty virtual type to Read into.
    explicit VirtualType(ConnectionWithSpecification* owner) noexcept;
    // A new virtual type for the clause. Throws AddonRuntimeError when the properties lack
    // ArdoTesselCode or it is empty, Model::Error::MissingClassificationItem when the
    // classification system has no item with that code, MissingClassificationSystem when the
    // system is gone.
    VirtualType(ConnectionWithSpecification* owner, const QB::UniString& virtualTypeId,
                const Api::Properties& properties);
    VirtualType(const VirtualType& other) = default;
    VirtualType& operator=(const VirtualType& other) = default;
    ~VirtualType() override;

    ConnectionWithSpecification* GetOwner() const noexcept { return _owner; }
    // For a virtual type taken over from another connection (module-data merge).
    void SetOwner(ConnectionWithSpecification* owner) noexcept { _owner = owner; }

    const QB::UniString& GetVirtualTypeId() const noexcept { return _virtualTypeId; }
    const QB::UniString& GetClassificationID() const noexcept { return _classificationID; }
    const QB::Guid& GetClassificationItemGuid() const noexcept { return _classificationItemGuid; }
    const Api::Properties& GetTesselProperties() const noexcept { return _tesselProperties; }
    const QB::Array<QB::UniString>& GetDirtyTesselPropertyNames() const noexcept {
        return _dirtyTesselPropertyNames;
    }
    bool HasDirtyProperties() const noexcept { return !_dirtyTesselPropertyNames.IsEmpty(); }

    // Takes over every changed value and marks its name dirty; when anything changed, stores the
    // owner connection at once. True when anything changed.
    bool SetTesselProperties(const Api::Properties& properties);

    void CheckClassificationItem() const;

    // One string value per clause property (ArdoTesselClauseId, ArdoTesselCode, ArdoTesselTitle,
    // ArdoTesselPrefix, ArdoTesselSuffix, in that order) for the property group's definitions,
    // after making each definition available for the classification item. An empty value is
    // written as a single space.
    void BuildElementProperties(QB::Array<API_Property>& properties) const;
    // The clause properties written onto elements, in the order of BuildElementProperties.
    static const QB::Array<QB::UniString>& ElementPropertyNames();
    // The text an element carries for a clause value (an empty value is a single space).
    static QB::UniString ElementValueText(const QB::UniString& clauseValue);

    // Takes over the properties, classifies the elements and writes the clause properties onto
    // them; when the properties changed, also rewrites the elements already associated.
    AssociationResult AssociateElements(const Api::Properties& properties,
                                        const QB::Array<QB::Guid>& elemGuids);
    // Takes the classification item away; the elements keep their property values.
    AssociationResult DisassociateElements(const QB::Array<QB::Guid>& elemGuids);
    // The elements that carry the item and this clause id, in the host's order.
    void GetAssociatedElements(QB::Array<QB::Guid>& elemGuids) const;
    // Rewrites the clause properties of associated elements whose values differ; clears the dirty
    // names only when every such element was rewritten.
    AssociationResult UpdateElementProperties();

    // Checks (and logs) that the other describes the same clause; changes nothing.
    void MergeIn(const VirtualType& toMerge) const;

    // The page's record of this virtual type; with `markDirty` every dirty value gets "<dirty>".
    Api::AssociableType GetWebDescription(bool markDirty) const;

    // The connection's placeholders, then the clause properties' (all four forms).
    QB::UniString ResolveStringVariables(const QB::UniString& text) const;

    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    std::unique_ptr<QB::Object> Clone() const override;
    // Throws Model::Error::VersionIncompatibility for a newer main version. The owner is not
    // stored: the reading connection is the owner.
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;
    void Print(std::ostream& os) const override;
    std::string ToString() const;

private:
    Api::Vantrel& GetVantrel() const;
    [[noreturn]] void ThrowMissingClassificationItem() const;

    ConnectionWithSpecification* _owner;
    QB::UniString _classificationID;
    QB::Guid _classificationItemGuid;
    QB::UniString _virtualTypeId;
    Api::Properties _tesselProperties;
    QB::Array<QB::UniString> _dirtyTesselPropertyNames;
};

std::ostream& operator<<(std::ostream& os, const VirtualType& virtualType);

} // namespace TesselConnect::Model

template <> struct fmt::formatter<TesselConnect::Model::VirtualType> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext>
    auto format(const TesselConnect::Model::VirtualType& virtualType, FormatContext& ctx) const {
        const std::string text = virtualType.ToString();
        return fmt::formatter<fmt::string_view>::format(fmt::string_view(text.data(), text.size()), ctx);
    }
};
