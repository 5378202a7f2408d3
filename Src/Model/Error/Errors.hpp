#pragma once

// The model layer's own failures. None carries a host error code; host failures stay the typed
// errors of Vantrel/Api/Error.
//
// Thrown by the classification system (MissingClassificationSystem), the property group
// (MissingPropertyGroup, MissingProperty), the virtual type (MissingClassificationItem) and every
// stored model class that meets a newer main version (VersionIncompatibility). The connection's
// exception handler turns an error that carries an issue (IssueErrorBase) into that issue and an
// alert. All copy without surprises; copying an IssueErrorBase clones its issue.

#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <exception>
#include <memory>
#include <string>

namespace TesselConnect::Model::Issue {
class Base;
class MissingClassificationItem;
} // namespace TesselConnect::Model::Issue

namespace TesselConnect::Model::Error {

// A failure that the user should see as an issue. Its message is the carried issue's address in
// hexadecimal, so log lines of the same failure can be matched with the issue, unless the error
// names itself.
class IssueErrorBase : public std::exception {
public:
    explicit IssueErrorBase(std::unique_ptr<Issue::Base> issue);
    IssueErrorBase(std::string message, std::unique_ptr<Issue::Base> issue);
    IssueErrorBase(const IssueErrorBase& other);
    IssueErrorBase(IssueErrorBase&& other) noexcept;
    IssueErrorBase& operator=(const IssueErrorBase& other);
    IssueErrorBase& operator=(IssueErrorBase&& other) noexcept;
    ~IssueErrorBase() override;

    const char* what() const noexcept override { return _message.c_str(); }

    // The carried issue; nullptr only when a copy could not clone it.
    const Issue::Base* GetIssue() const noexcept { return _issue.get(); }
    // A copy of the issue the caller can keep (nullptr as above).
    std::shared_ptr<Issue::Base> CloneIssue() const;

private:
    std::string _message;
    std::unique_ptr<Issue::Base> _issue;
    bool _messageNamesIssue = true;
};

// No item of the connection's classification system has the clause code (or the item was
// deleted); carries a MissingClassificationItem issue with the clause properties.
class MissingClassificationItem : public IssueErrorBase {
public:
    explicit MissingClassificationItem(std::unique_ptr<Issue::MissingClassificationItem> issue);
};

// The connection's classification system is gone (or was never chosen); carries a
// MissingConnectionPart issue.
class MissingClassificationSystem : public IssueErrorBase {
public:
    MissingClassificationSystem();
};

// The connection's property group is gone; carries a MissingConnectionPart issue.
class MissingPropertyGroup : public IssueErrorBase {
public:
    MissingPropertyGroup();
};

// "MissingProperty: " and the clause property name; carries a MissingConnectionPart issue naming
// the property.
class MissingProperty : public IssueErrorBase {
public:
    explicit MissingProperty(const QB::UniString& propertyName);

    const QB::UniString& GetPropertyName() const noexcept { return _propertyName; }

private:
    QB::UniString _propertyName;
};

// A stored object was written by a newer version of the add-on (its main version is greater).
// Names the stored class and version for the log, so a user's report says which add-on wrote it.
class VersionIncompatibility : public std::exception {
public:
    VersionIncompatibility() = default;
    VersionIncompatibility(const QB::UniString& className, QB::UInt16 storedMainVersion)
        : _className(className), _storedMainVersion(storedMainVersion) {}

    const char* what() const noexcept override { return "Error::VersionIncompatibility"; }
    // Empty and 0 when the thrower did not tell.
    const QB::UniString& GetClassName() const noexcept { return _className; }
    QB::UInt16 GetStoredMainVersion() const noexcept { return _storedMainVersion; }

private:
    QB::UniString _className;
    QB::UInt16 _storedMainVersion = 0;
};

} // namespace TesselConnect::Model::Error
