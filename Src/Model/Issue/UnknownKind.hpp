#pragma once

// An issue that a newer add-on stored: of a class this add-on does not know, or of a newer main
// version of a class it knows. It is kept exactly as it was stored, so that storing and merging
// the collection carry it on for the add-on that can read it, and it is listed so that the user
// still sees that there is an issue. Its identity (guid, creation time, severity) is taken from
// the base part inside its frame, which every issue class stores last; without one, the guid is
// derived from the stored bytes, so that every copy of the record names it alike.
//
// The bytes are those of the byte order they were read in; a record of another byte order cannot
// carry them unchanged, so there the issue is stored as an internal error of the same identity.

#include "Model/Issue/Base.hpp"

#include <QB/Channel.hpp>
#include <QB/Guid.hpp>

#include <cstddef>
#include <span>
#include <vector>

namespace TesselConnect::Model::Issue {

class UnknownKind final : public Base {
public:
    static const QB::ClassInfo classInfo;

    // Before reading the frame that followed `storedClassId` in the stored form.
    explicit UnknownKind(const QB::Guid& storedClassId);
    ~UnknownKind() override;

    QB::UniString GetString(ConnectionWithSpecification& connection) const override;
    bool IsFixable() const override { return false; }
    void Fix(ConnectionWithSpecification& connection) override;
    bool IsEmpty() const override { return false; }
    // What it covers is unknown: it supersedes nothing.
    ChangeResult Merge(Base& older) override;
    void Print(std::ostream& os) const override;

    std::unique_ptr<QB::Object> Clone() const override;
    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    // Takes one object frame of any class, whole: its extent is the body length of its header,
    // bounded by the bytes present.
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;
    QB::ErrCode WriteWithClassId(QB::OChannel& oc) const override;

    const QB::Guid& GetStoredClassId() const noexcept { return _storedClassId; }
    // The frame as it was stored: header and body.
    std::span<const std::byte> GetStoredFrame() const noexcept { return _frame; }

private:
    bool CanWriteAsStored(const QB::OChannel& oc) const;
    // The same identity as an internal error, for a channel that cannot carry the bytes.
    std::unique_ptr<Base> StandIn() const;

    QB::Guid _storedClassId;
    QB::Protocol _protocol = QB::PlatformProtocol;
    std::vector<std::byte> _frame;
};

} // namespace TesselConnect::Model::Issue
