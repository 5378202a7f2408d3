#pragma once

// Elements that could not be associated with a clause or removed from it, for one reason.

#include "Model/Issue/ElementsAssociationBase.hpp"

#include <QB/Types.hpp>

#include <string_view>

namespace TesselConnect::Model::Issue {

class ElementsAssociation final : public ElementsAssociationBase {
public:
    // Odd codes, 11 and 12 are association reasons; even codes from 2 to 10 disassociation ones.
    enum Type : QB::Int32 {
        AssocUnknown = 1,
        DisassocUnknown = 2,
        AssocNoSyncworkRight = 3,
        DisassocNoSyncworkRight = 4,
        AssocOnLockedLayer = 5,
        DisassocOnLockedLayer = 6,
        AssocLockedElement = 7,
        DisassocLockedElement = 8,
        AssocOnInvisibleLayer = 9,
        DisassocOnInvisibleLayer = 10,
        AssocIsHotlink = 11,
        AssocNotSuitable = 12,
    };

    static const QB::ClassInfo classInfo;
    static std::unique_ptr<QB::Object> Create();

    // Only before reading.
    ElementsAssociation() = default;
    // A new issue without elements; severity follows the reason.
    ElementsAssociation(Type type, const QB::UniString& targetVirtualType, const Api::WindowId& windowId);
    ~ElementsAssociation() override;

    QB::UniString GetString(ConnectionWithSpecification& connection) const override {
        return GetReasonString(connection);
    }
    bool IsFixable() const override { return true; }
    // Associates or disassociates exactly the errored elements again.
    void Fix(ConnectionWithSpecification& connection) override;

    std::unique_ptr<QB::Object> Clone() const override;
    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;

    bool IsAssociationReason() const noexcept { return IsAssociationReason(GetType()); }

    // Codes outside the table are neither.
    static bool IsAssociationReason(QB::Int32 type) noexcept;
    static bool IsDisassociationReason(QB::Int32 type) noexcept;
    static QB::Int32 SeverityOf(QB::Int32 type) noexcept;
    // The enumerator's name, "Unknown:<code>" for a code outside the table.
    static std::string TypeName(QB::Int32 type);

private:
    ReasonTable GetReasons() const noexcept override;
    bool Covers(const ElementsAssociationBase& older) const noexcept override;
};

} // namespace TesselConnect::Model::Issue
