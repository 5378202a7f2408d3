#pragma once

// New specification or project titles that the host refused to write into the property group
// (the property manager was not reserved). Fixing retries with the titles kept here.

#include "Model/Issue/Base.hpp"

#include <QB/UniString.hpp>

namespace TesselConnect::Model::Issue {

class CoudntUpdateProjectOrSpecTitle final : public Base {
public:
    static const QB::ClassInfo classInfo;
    static std::unique_ptr<QB::Object> Create();

    // Only before reading.
    CoudntUpdateProjectOrSpecTitle() = default;
    CoudntUpdateProjectOrSpecTitle(const QB::UniString& newSpecTitle, const QB::UniString& newProjectTitle);
    ~CoudntUpdateProjectOrSpecTitle() override;

    QB::UniString GetString(ConnectionWithSpecification& connection) const override;
    bool IsFixable() const override { return true; }
    // Retries the title update; an empty title stands for the connection's current one. On
    // success both titles are cleared and the issue is empty.
    void Fix(ConnectionWithSpecification& connection) override;
    bool IsEmpty() const override { return _newSpecTitle.IsEmpty() && _newProjectTitle.IsEmpty(); }
    // Any older title issue is superseded.
    ChangeResult Merge(Base& older) override;
    void Print(std::ostream& os) const override;

    std::unique_ptr<QB::Object> Clone() const override;
    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;

    const QB::UniString& GetNewSpecTitle() const noexcept { return _newSpecTitle; }
    const QB::UniString& GetNewProjectTitle() const noexcept { return _newProjectTitle; }

private:
    QB::UniString _newSpecTitle;
    QB::UniString _newProjectTitle;
};

} // namespace TesselConnect::Model::Issue
