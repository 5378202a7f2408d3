#pragma once

// A part of the connection that the user deleted in the host: its classification system, its
// property group or one of the group's clause properties. Nothing can be associated any more; the
// text tells the user to disconnect the specification and connect it again.
//
// Add-ons that know only the original issue kinds share the record, and one issue of a class they
// do not know would cost them every issue of the record. So it is stored as an internal error
// (UnknownError) that carries the part: they show an internal error, this add-on reads it back as
// what it is. Its own stored form, which earlier builds wrote, is still read.

#include "Model/Issue/Base.hpp"
#include "Model/Issue/UnknownError.hpp"

#include <QB/Types.hpp>
#include <QB/UniString.hpp>

namespace TesselConnect::Model::Issue {

class MissingConnectionPart final : public Base {
public:
    enum class Part : QB::Int32 { ClassificationSystem = 1, PropertyGroup = 2, Property = 3 };

    static const QB::ClassInfo classInfo;
    static std::unique_ptr<QB::Object> Create();

    // Only before reading.
    MissingConnectionPart() = default;
    // `propertyName` names the clause property of Part::Property.
    explicit MissingConnectionPart(Part part, const QB::UniString& propertyName = {});
    // The issue an internal error carried (UnknownError::GetConnectionPart holds a value).
    explicit MissingConnectionPart(const UnknownError& carrier);
    ~MissingConnectionPart() override;

    QB::UniString GetString(ConnectionWithSpecification& connection) const override;
    bool IsFixable() const override { return false; }
    void Fix(ConnectionWithSpecification& connection) override;
    bool IsEmpty() const override { return false; }
    // An older issue about the same part is superseded.
    ChangeResult Merge(Base& older) override;
    void Print(std::ostream& os) const override;

    std::unique_ptr<QB::Object> Clone() const override;
    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;
    // Stored as an internal error that carries the part.
    QB::ErrCode WriteWithClassId(QB::OChannel& oc) const override;
    // The hint of that internal error: the text of the error the issue came with.
    QB::UniString Hint() const;

    Part GetPart() const noexcept { return _part; }
    const QB::UniString& GetPropertyName() const noexcept { return _propertyName; }

private:
    Part _part = Part::ClassificationSystem;
    QB::UniString _propertyName;
};

} // namespace TesselConnect::Model::Issue
