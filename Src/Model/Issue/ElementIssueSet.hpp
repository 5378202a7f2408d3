#pragma once

// Collects the errored elements of one element operation: at most one issue per reason, created
// on first use, in creation order. The virtual type fills one set per operation and returns its
// issues.

#include "Model/Issue/Base.hpp"
#include "Vantrel/Api/Structs/WindowId.hpp"

#include <QB/Array.hpp>
#include <QB/Guid.hpp>
#include <QB/HashTable.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <memory>

namespace TesselConnect::Model::Issue {

template <typename Kind> class ElementIssueSet {
public:
    using Reason = typename Kind::Type;

    ElementIssueSet(const QB::UniString& virtualTypeId, const Api::WindowId& windowId)
        : _virtualTypeId(virtualTypeId), _windowId(windowId) {}

    // Appends the element to the issue of `reason`, creating that issue first when needed.
    void Record(Reason reason, const QB::Guid& elemGuid) {
        std::shared_ptr<Kind>* existing = _issueOfReason.GetPtr(static_cast<QB::Int32>(reason));
        if (existing == nullptr) {
            auto issue = std::make_shared<Kind>(reason, _virtualTypeId, _windowId);
            _issues.Push(issue);
            existing = &(_issueOfReason[static_cast<QB::Int32>(reason)] = std::move(issue));
        }
        (*existing)->AddErroredElement(elemGuid);
    }

    const QB::UniString& GetVirtualTypeId() const noexcept { return _virtualTypeId; }
    const Api::WindowId& GetWindowId() const noexcept { return _windowId; }
    // In creation order.
    const Issues& GetIssues() const noexcept { return _issues; }
    bool IsEmpty() const noexcept { return _issues.IsEmpty(); }

private:
    QB::UniString _virtualTypeId;
    Api::WindowId _windowId;
    Issues _issues;
    QB::HashTable<QB::Int32, std::shared_ptr<Kind>> _issueOfReason;
};

} // namespace TesselConnect::Model::Issue
