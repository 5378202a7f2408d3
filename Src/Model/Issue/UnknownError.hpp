#pragma once

// An internal failure the user can only report. The hint describes it for the log.
//
// It also carries the issue kinds that add-ons reading only the original issue kinds do not know
// (a missing part of the connection): stored as an internal error whose hint names the part, with
// the part appended in a newer minor version of the frame. Such a reader shows an internal error
// and keeps every other issue; this add-on reads the carried kind back (CreateAndRead).

#include "Model/Issue/Base.hpp"

#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <optional>
#include <utility>

namespace TesselConnect::Model::Issue {

class UnknownError final : public Base {
public:
    static const QB::ClassInfo classInfo;
    static std::unique_ptr<QB::Object> Create();

    // Only before reading.
    UnknownError() = default;
    explicit UnknownError(const QB::UniString& hint);
    // An issue of the same identity (guid, time, severity) with `hint`.
    UnknownError(const Base& identity, const QB::UniString& hint);
    // The carrier of a connection part issue (`identity`): same guid, time and severity.
    UnknownError(const Base& identity, const QB::UniString& hint, QB::Int32 part,
                 const QB::UniString& propertyName);
    ~UnknownError() override;

    QB::UniString GetString(ConnectionWithSpecification& connection) const override;
    bool IsFixable() const override { return false; }
    void Fix(ConnectionWithSpecification& connection) override;
    bool IsEmpty() const override { return false; }
    // An older issue with an equal hint is superseded.
    ChangeResult Merge(Base& older) override;
    void Print(std::ostream& os) const override;

    std::unique_ptr<QB::Object> Clone() const override;
    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;

    const QB::UniString& GetHint() const noexcept { return _hint; }
    // (part, property name) of a carried connection part issue.
    using ConnectionPart = std::pair<QB::Int32, QB::UniString>;
    const std::optional<ConnectionPart>& GetConnectionPart() const noexcept { return _connectionPart; }

private:
    QB::UniString _hint;
    std::optional<ConnectionPart> _connectionPart;
};

} // namespace TesselConnect::Model::Issue
