#include "Model/Error/Errors.hpp"

#include "Model/Issue/Base.hpp"
#include "Model/Issue/MissingClassificationItem.hpp"
#include "Model/Issue/MissingConnectionPart.hpp"

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

IssueErrorBase::IssueErrorBase(std::string message, std::unique_ptr<Issue::Base> issue)
    : _message(std::move(message)), _issue(std::move(issue)), _messageNamesIssue(false) {}

// A copy owns its own clone, so a message naming the issue names the clone.
IssueErrorBase::IssueErrorBase(const IssueErrorBase& other)
    : _message(other._message), _issue(CloneOrNull(other._issue.get())),
      _messageNamesIssue(other._messageNamesIssue) {
    if (_messageNamesIssue) {
        _message = AddressText(_issue.get());
    }
}

IssueErrorBase::IssueErrorBase(IssueErrorBase&& other) noexcept = default;

IssueErrorBase& IssueErrorBase::operator=(const IssueErrorBase& other) {
    if (this != &other) {
        _issue = CloneOrNull(other._issue.get());
        _messageNamesIssue = other._messageNamesIssue;
        _message = _messageNamesIssue ? AddressText(_issue.get()) : other._message;
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

MissingClassificationSystem::MissingClassificationSystem()
    : IssueErrorBase("MissingClassificationSystem",
                     std::make_unique<Issue::MissingConnectionPart>(
                         Issue::MissingConnectionPart::Part::ClassificationSystem)) {}

MissingPropertyGroup::MissingPropertyGroup()
    : IssueErrorBase("MissingPropertyGroup", std::make_unique<Issue::MissingConnectionPart>(
                                                 Issue::MissingConnectionPart::Part::PropertyGroup)) {}

MissingProperty::MissingProperty(const QB::UniString& propertyName)
    : IssueErrorBase("MissingProperty: " + propertyName.ToUtf8(),
                     std::make_unique<Issue::MissingConnectionPart>(
                         Issue::MissingConnectionPart::Part::Property, propertyName)),
      _propertyName(propertyName) {}

} // namespace TesselConnect::Model::Error
