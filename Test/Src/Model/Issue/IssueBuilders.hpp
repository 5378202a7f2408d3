#pragma once

// Small helpers to make issues with chosen elements in tests.

#include "Model/Issue/ElementsAssociation.hpp"
#include "Model/Issue/UpdateElementsProperties.hpp"
#include "Vantrel/Api/Structs/WindowId.hpp"

#include <QB/Array.hpp>
#include <QB/Guid.hpp>

#include <memory>
#include <utility>
#include <vector>

namespace TesselConnect::Test {

template <typename Kind>
std::shared_ptr<Kind> MakeElementIssue(typename Kind::Type reason, const QB::Array<QB::Guid>& elements,
                                       const QB::UniString& virtualType = "clause-1",
                                       const Api::WindowId& windowId = {}) {
    auto issue = std::make_shared<Kind>(reason, virtualType, windowId);
    for (const QB::Guid& element : elements) {
        issue->AddErroredElement(element);
    }
    return issue;
}

// (reason, errored elements) of each elements issue, in order; property update reasons are
// counted from 100.
using IssueSummary = std::vector<std::pair<QB::Int32, QB::Array<QB::Guid>>>;

inline IssueSummary Summarize(const Model::Issue::Issues& issues) {
    IssueSummary summary;
    for (const auto& issue : issues) {
        if (const auto* association = dynamic_cast<const Model::Issue::ElementsAssociation*>(issue.get())) {
            summary.emplace_back(association->GetType(), association->GetErroredElements());
        } else if (const auto* update =
                       dynamic_cast<const Model::Issue::UpdateElementsProperties*>(issue.get())) {
            summary.emplace_back(100 + update->GetType(), update->GetErroredElements());
        }
    }
    return summary;
}

inline QB::Array<QB::Guid> NewGuids(int count) {
    QB::Array<QB::Guid> guids;
    for (int i = 0; i < count; ++i) {
        guids.Push(QB::Guid::Generate());
    }
    return guids;
}

} // namespace TesselConnect::Test
