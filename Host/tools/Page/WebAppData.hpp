#pragma once

// The stand-in web application's data file (WebApp/data.json): its projects, specifications and
// clauses. The simulator's own page (--browser none) answers from it what the web application
// would send, and both pages check the scenario's specification and clause ids against it.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace VantrelSim::Tool {

struct WebAppClause {
    std::string id;
    std::string code;
    std::string title;
    std::string prefix;
    std::string suffix;
};

struct WebAppSpecification {
    std::string id;
    std::string projectId;
    std::string projectTitle;
    std::string title;
    std::string classificationType;
    std::vector<WebAppClause> clauses;

    const WebAppClause* FindClause(const std::string& clauseId) const;
};

struct WebAppUser {
    std::string email;
    std::string password;
};

class WebAppDataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class WebAppData {
public:
    // Throws WebAppDataError naming the file and the place when it cannot be read.
    static WebAppData Load(const std::filesystem::path& file);

    const std::vector<WebAppSpecification>& Specifications() const { return _specifications; }
    const std::vector<WebAppUser>& Users() const { return _users; }
    const WebAppSpecification* FindSpecification(const std::string& id) const;

private:
    std::vector<WebAppSpecification> _specifications;
    std::vector<WebAppUser> _users;
};

} // namespace VantrelSim::Tool
