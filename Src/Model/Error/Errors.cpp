#include "Model/Error/Errors.hpp"

#include "Model/Issue/Base.hpp"
#include "Model/Issue/MissingClassificationItem.hpp"

#include <fmt/format.h>

#include <utility>

namespace TesselConnect::Model::Error {

namespace {

std::string AddressText(const void* address) {
    return fmt::format("{}", fmt::ptr(address));
}

std::unique_ptr<Issue::Base> CloneOrNull(const Issue::Base* issue) {
    return issue == nullptr ? nullptr : issue->CloneIssue();
}

} // namespace

IssueErrorBase::IssueErrorBase(std::unique_ptr<Issue::Base> issue)
    : _message(AddressText(issue.get())), _issue(std::move(issue)) {}

// A copy owns its own clone, so its message names the clone.
IssueErrorBase::IssueErrorBase(const IssueErrorBase& other) : _issue(CloneOrNull(other._issue.get())) {
    _message = AddressText(_issue.get());
}

IssueErrorBase::IssueErrorBase(IssueErrorBase&& other) noexcept = default;

IssueErrorBase& IssueErrorBase::operator=(const IssueErrorBase& other) {
    if (this != &other) {
        _issue = CloneOrNull(other._issue.get());
        _message = AddressText(_issue.get());
    }
    return *this;
}

IssueErrorBase& IssueErrorBase::operator=(IssueErrorBase&& other) noexcept = default;

IssueErrorBase::~IssueErrorBase() = default;

std::shared_ptr<Issue::Base> IssueErrorBase::CloneIssue() const {
    return CloneOrNull(_issue.get());
}

MissingClassificationItem::MissingClassificationItem(std::unique_ptr<Issue::MissingClassificationItem> issue)
    : IssueErrorBase(std::move(issue)) {}

MissingProperty::MissingProperty(const QB::UniString& propertyName)
    : _propertyName(propertyName), _message("MissingProperty: " + propertyName.ToUtf8()) {}

} // namespace TesselConnect::Model::Error
