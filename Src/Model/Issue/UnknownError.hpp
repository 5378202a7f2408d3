#pragma once

// An internal failure the user can only report. The hint describes it for the log.

#include "Model/Issue/Base.hpp"

#include <QB/UniString.hpp>

namespace TesselConnect::Model::Issue {

class UnknownError final : public Base {
public:
    static const QB::ClassInfo classInfo;
    static std::unique_ptr<QB::Object> Create();

    // Only before reading.
    UnknownError() = default;
    explicit UnknownError(const QB::UniString& hint);
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

private:
    QB::UniString _hint;
};

} // namespace TesselConnect::Model::Issue
