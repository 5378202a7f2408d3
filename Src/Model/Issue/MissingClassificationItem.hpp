#pragma once

// The classification system has no item whose code is the clause code, so the clause's virtual
// type could not be made. Keeps a copy of the clause properties for its text.

#include "Model/Issue/Base.hpp"
#include "Tessel/Api/Properties.hpp"

#include <QB/HashTable.hpp>
#include <QB/UniString.hpp>

namespace TesselConnect::Model::Issue {

class MissingClassificationItem final : public Base {
public:
    static const QB::ClassInfo classInfo;
    static std::unique_ptr<QB::Object> Create();

    // Only before reading.
    MissingClassificationItem() = default;
    explicit MissingClassificationItem(
        const QB::HashTable<QB::UniString, QB::UniString>& tesselClauseProperties);
    ~MissingClassificationItem() override;

    QB::UniString GetString(ConnectionWithSpecification& connection) const override;
    bool IsFixable() const override { return false; }
    void Fix(ConnectionWithSpecification& connection) override;
    bool IsEmpty() const override { return false; }
    // An older issue about the same code is superseded.
    ChangeResult Merge(Base& older) override;
    void Print(std::ostream& os) const override;

    std::unique_ptr<QB::Object> Clone() const override;
    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;

    const Api::Properties& GetTesselClauseProperties() const noexcept { return _tesselClauseProperties; }
    // The clause code the issue is about; empty when the copy lacks it.
    QB::UniString GetCode() const;

private:
    Api::Properties _tesselClauseProperties;
};

} // namespace TesselConnect::Model::Issue
