#pragma once

// Associated elements whose clause properties could not be rewritten, for one reason.

#include "Model/Issue/ElementsAssociationBase.hpp"

#include <QB/Types.hpp>

#include <string>

namespace TesselConnect::Model::Issue {

class UpdateElementsProperties final : public ElementsAssociationBase {
public:
    enum Type : QB::Int32 {
        Unknown = 1,
        NoSyncworkRight = 2,
        LockedElement = 3,
        OnLockedLayer = 4,
        OnInvisibleLayer = 5,
    };

    static const QB::ClassInfo classInfo;
    static std::unique_ptr<QB::Object> Create();

    // Only before reading.
    UpdateElementsProperties() = default;
    // A new issue without elements; severity follows the reason.
    UpdateElementsProperties(Type type, const QB::UniString& targetVirtualType,
                             const Api::WindowId& windowId);
    ~UpdateElementsProperties() override;

    QB::UniString GetString(ConnectionWithSpecification& connection) const override {
        return GetReasonString(connection);
    }
    bool IsFixable() const override { return true; }
    // Forces the virtual type to rewrite the properties of its elements.
    void Fix(ConnectionWithSpecification& connection) override;

    std::unique_ptr<QB::Object> Clone() const override;
    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;

    static QB::Int32 SeverityOf(QB::Int32 type) noexcept;
    // The enumerator's name, "Unknown:<code>" for a code outside the table.
    static std::string TypeName(QB::Int32 type);

private:
    ReasonTable GetReasons() const noexcept override;
    bool Covers(const ElementsAssociationBase& older) const noexcept override;
};

} // namespace TesselConnect::Model::Issue
