#include "Page/WebAppData.hpp"

#include "Json.hpp"

#include <fmt/format.h>

#include <fstream>
#include <map>
#include <sstream>

namespace VantrelSim::Tool {

namespace {

using Value = Json::Value;

class Reader {
public:
    explicit Reader(std::string source) : _source(std::move(source)) {}

    [[noreturn]] void Fail(const std::string& place, const std::string& what) const {
        throw WebAppDataError(fmt::format("{}: {}: {}", _source, place, what));
    }

    const Value& Array(const Value& object, const char* key, const std::string& place) const {
        const auto member = object.FindMember(key);
        if (member == object.MemberEnd() || !member->value.IsArray()) {
            Fail(place, fmt::format("\"{}\" must be a list", key));
        }
        return member->value;
    }

    std::string Text(const Value& object, const char* key, const std::string& place) const {
        if (!object.IsObject()) {
            Fail(place, "must be an object");
        }
        const auto member = object.FindMember(key);
        if (member == object.MemberEnd()) {
            return {};
        }
        if (!member->value.IsString()) {
            Fail(place, fmt::format("\"{}\" must be a text", key));
        }
        return std::string(member->value.GetString(), member->value.GetStringLength());
    }

private:
    std::string _source;
};

} // namespace

const WebAppClause* WebAppSpecification::FindClause(const std::string& clauseId) const {
    for (const WebAppClause& clause : clauses) {
        if (clause.id == clauseId) {
            return &clause;
        }
    }
    return nullptr;
}

const WebAppSpecification* WebAppData::FindSpecification(const std::string& id) const {
    for (const WebAppSpecification& specification : _specifications) {
        if (specification.id == id) {
            return &specification;
        }
    }
    return nullptr;
}

WebAppData WebAppData::Load(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        throw WebAppDataError(file.string() + ": cannot be read");
    }
    std::ostringstream text;
    text << stream.rdbuf();
    Json::Document document;
    document.Parse(text.str().c_str());
    const Reader reader(file.string());
    if (document.HasParseError() || !document.IsObject()) {
        reader.Fail("/", "is not a JSON object");
    }
    WebAppData data;
    std::map<std::string, std::string> projectTitles;
    const Value& projects = reader.Array(document, "projects", "/");
    for (Json::SizeType i = 0; i < projects.Size(); ++i) {
        const std::string place = fmt::format("/projects/{}", i);
        projectTitles[reader.Text(projects[i], "id", place)] = reader.Text(projects[i], "title", place);
    }
    const Value& users = reader.Array(document, "users", "/");
    for (Json::SizeType i = 0; i < users.Size(); ++i) {
        const std::string place = fmt::format("/users/{}", i);
        data._users.push_back(
            {reader.Text(users[i], "email", place), reader.Text(users[i], "password", place)});
    }
    const Value& specifications = reader.Array(document, "specifications", "/");
    for (Json::SizeType i = 0; i < specifications.Size(); ++i) {
        const std::string place = fmt::format("/specifications/{}", i);
        const Value& entry = specifications[i];
        WebAppSpecification specification;
        specification.id = reader.Text(entry, "id", place);
        specification.projectId = reader.Text(entry, "projectId", place);
        specification.title = reader.Text(entry, "title", place);
        specification.classificationType = reader.Text(entry, "classificationType", place);
        const auto project = projectTitles.find(specification.projectId);
        specification.projectTitle =
            project != projectTitles.end() ? project->second : specification.projectId;
        const Value& clauses = reader.Array(entry, "clauses", place);
        for (Json::SizeType c = 0; c < clauses.Size(); ++c) {
            const std::string at = fmt::format("{}/clauses/{}", place, c);
            specification.clauses.push_back(
                {reader.Text(clauses[c], "id", at), reader.Text(clauses[c], "code", at),
                 reader.Text(clauses[c], "title", at), reader.Text(clauses[c], "prefix", at),
                 reader.Text(clauses[c], "suffix", at)});
        }
        data._specifications.push_back(std::move(specification));
    }
    return data;
}

} // namespace VantrelSim::Tool
