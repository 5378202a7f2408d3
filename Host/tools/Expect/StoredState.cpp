#include "Expect/StoredState.hpp"

#include "Json.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <initializer_list>
#include <stdexcept>

namespace VantrelSim::Tool {

namespace {

using Value = Json::Value;

std::string TextOf(const Value& object, const char* key) {
    if (!object.IsObject()) {
        return {};
    }
    const auto member = object.FindMember(key);
    if (member == object.MemberEnd() || !member->value.IsString()) {
        return {};
    }
    return {member->value.GetString(), member->value.GetStringLength()};
}

const Value* ArrayOf(const Value& object, const char* key) {
    if (!object.IsObject()) {
        return nullptr;
    }
    const auto member = object.FindMember(key);
    return member != object.MemberEnd() && member->value.IsArray() ? &member->value : nullptr;
}

// The connection as the inspector reports it, without what may differ between two users' records
// that hold the same but for the texts of their clauses: those texts, the texts of the issues about
// a clause (made from the clause's texts) and the record's size.
std::string RecordForm(const Value& connection) {
    Json::Document form;
    form.CopyFrom(connection, form.GetAllocator());
    form.RemoveMember("size");
    const auto withoutMembers = [&form](const char* array, std::initializer_list<const char*> members) {
        const auto found = form.FindMember(array);
        if (found == form.MemberEnd() || !found->value.IsArray()) {
            return;
        }
        for (Value& entry : found->value.GetArray()) {
            if (entry.IsObject() &&
                (std::string_view(array) != "issues" || !TextOf(entry, "virtualType").empty())) {
                for (const char* member : members) {
                    entry.RemoveMember(member);
                }
            }
        }
    };
    withoutMembers("virtualTypes", {"properties", "dirty"});
    withoutMembers("issues", {"text"});
    return CompactText(form);
}

std::string RecordOf(const std::string& line) {
    return line.substr(0, line.find(": "));
}

// The part of a finding that names the connection; a missing group, definition or system.
bool IsMissingPart(const StoredFinding& finding) {
    return finding.kind == "missingPropertyGroup" || finding.kind == "missingProperty" ||
           finding.kind == "missingClassificationSystem";
}

void ReadConnection(const Value& connection, StoredState& state) {
    const std::string record = TextOf(connection, "record");
    if (connection.IsObject() && connection.HasMember("readable") && connection["readable"].IsBool() &&
        !connection["readable"].GetBool()) {
        return;
    }
    state.recordForms[record] = RecordForm(connection);
    std::set<std::string> clauseIds;
    if (const Value* clauses = ArrayOf(connection, "virtualTypes")) {
        for (const Value& clause : clauses->GetArray()) {
            const std::string id = TextOf(clause, "id");
            clauseIds.insert(id);
            if (clause.IsObject() && clause.HasMember("properties") && clause.HasMember("dirty")) {
                state.clauseTexts[fmt::format("{}: clause {}", record, id)] =
                    CompactText(clause["properties"]) + " " + CompactText(clause["dirty"]);
            }
            state.clauses.insert(fmt::format("{}: clause {}", record, id));
            if (const Value* elements = ArrayOf(clause, "associatedElements")) {
                for (const Value& element : elements->GetArray()) {
                    state.associations.insert(
                        fmt::format("{}: clause {}, element {}", record, id, TextOf(element, "guid")));
                }
            }
        }
    }
    if (const Value* issues = ArrayOf(connection, "issues")) {
        for (const Value& issue : issues->GetArray()) {
            const std::string guid = TextOf(issue, "guid");
            state.issues.insert(fmt::format("{}: issue {}", record, guid));
            state.issueContents.insert(
                fmt::format("{}: {}: {}", record, TextOf(issue, "kind"), TextOf(issue, "text")));
            const std::string key = fmt::format("{}: issue {}", record, guid);
            state.issueContentOf[key] =
                fmt::format("{}: {}: {}", record, TextOf(issue, "kind"), TextOf(issue, "text"));
            if (const Value* elements = ArrayOf(issue, "elements")) {
                const auto gone = [](const Value& element) {
                    const auto exists =
                        element.IsObject() ? element.FindMember("exists") : element.MemberEnd();
                    return element.IsObject() && exists != element.MemberEnd() && exists->value.IsBool() &&
                           !exists->value.GetBool();
                };
                for (const Value& element : elements->GetArray()) {
                    if (gone(element)) {
                        state.touchingGone.insert(key);
                        state.goneElementsOf[key].insert(TextOf(element, "guid"));
                    }
                }
                if (!elements->Empty() && std::all_of(elements->Begin(), elements->End(), gone)) {
                    state.allElementsGone.insert(key);
                }
            }
            if (TextOf(issue, "kind") == "CoudntUpdateProjectOrSpecTitle") {
                state.titleIssueRemovals.insert(fmt::format("{}: removal record {}", record, guid));
            }
            if (TextOf(issue, "kind") == "MissingConnectionPart") {
                state.partIssueRecords.insert(record);
            }
            const std::string clause = TextOf(issue, "virtualType");
            if (!clause.empty() && !clauseIds.contains(clause)) {
                state.wrong.push_back(fmt::format("{}: the issue {} points at the clause {}, which the "
                                                  "connection no longer holds",
                                                  record, guid, clause));
            }
        }
    }
    std::size_t removals = 0;
    if (const Value* removed = ArrayOf(connection, "removedIssues")) {
        for (const Value& entry : removed->GetArray()) {
            state.removals.insert(fmt::format("{}: removal record {}", record, TextOf(entry, "guid")));
            ++removals;
        }
    }
    state.removed[record] = removals;
    if (removals >= RemovalRecordLimit) {
        state.wrong.push_back(fmt::format("{}: {} removal records, more than the {} kept at most", record,
                                          removals, RemovalRecordLimit - 1));
    }
}

// The lines of `before` that `after` lacks.
std::vector<std::string> Gone(const std::set<std::string>& before, const std::set<std::string>& after) {
    std::vector<std::string> gone;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(gone));
    return gone;
}

std::string Listed(const std::vector<std::string>& lines) {
    constexpr std::size_t Shown = 3;
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < Shown; ++i) {
        text += (i == 0 ? "" : "; ") + lines[i];
    }
    if (lines.size() > Shown) {
        text += fmt::format("; and {} more", lines.size() - Shown);
    }
    return text;
}

} // namespace

std::string StoredFinding::Record() const {
    if (where.starts_with("property group ")) {
        return {};
    }
    return where.substr(0, where.find(", "));
}

StoredState ReadStoredState(std::string_view json) {
    Json::Document document;
    document.Parse(json.data(), json.size());
    if (document.HasParseError() || !document.IsObject() ||
        TextOf(document, "format") != "vantrel-sim-inspect") {
        throw std::runtime_error("the inspector's answer is not its JSON report");
    }
    StoredState state;
    if (const Value* findings = ArrayOf(document, "findings")) {
        for (const Value& finding : findings->GetArray()) {
            state.findings.push_back(
                {TextOf(finding, "kind"), TextOf(finding, "where"), TextOf(finding, "text")});
        }
    }
    if (const Value* connections = ArrayOf(document, "connections")) {
        for (const Value& connection : connections->GetArray()) {
            ReadConnection(connection, state);
        }
    }
    return state;
}

std::vector<std::string> CompareStoredStates(const StoredState& before, const StoredState& after,
                                             unsigned mayLose, const std::set<std::string>& excused) {
    std::vector<std::string> problems = after.wrong;
    const std::set<StoredFinding> known(before.findings.begin(), before.findings.end());
    for (const StoredFinding& finding : after.findings) {
        // The same finding may read differently once a name changed; kind and place identify it.
        const bool old = std::any_of(known.begin(), known.end(), [&](const StoredFinding& earlier) {
            return earlier.kind == finding.kind && earlier.where == finding.where;
        });
        const std::string record = finding.Record();
        if (old || (!record.empty() && excused.contains(record)) ||
            (IsMissingPart(finding) && after.partIssueRecords.contains(record))) {
            continue;
        }
        problems.push_back(fmt::format("{} at {}: {}", finding.kind, finding.where, finding.text));
    }
    const auto lost = [&](const char* what, const std::vector<std::string>& gone) {
        if (!gone.empty()) {
            problems.push_back(fmt::format("{} lost: {}", what, Listed(gone)));
        }
    };
    if ((mayLose & LoseClauses) == 0) {
        lost("clauses", Gone(before.clauses, after.clauses));
    }
    if ((mayLose & LoseAssociations) == 0) {
        lost("associations", Gone(before.associations, after.associations));
    }
    if ((mayLose & LoseIssues) == 0) {
        std::vector<std::string> gone;
        const std::vector<std::string> added = Gone(after.issues, before.issues);
        for (const std::string& issue : Gone(before.issues, after.issues)) {
            const std::string record = RecordOf(issue);
            const std::string guid = issue.substr(issue.rfind(' ') + 1);
            const bool removed = after.removals.contains(fmt::format("{}: removal record {}", record, guid));
            const bool superseded = std::any_of(added.begin(), added.end(), [&](const std::string& newer) {
                return RecordOf(newer) == record;
            });
            if (!removed && !superseded) {
                gone.push_back(issue);
            }
        }
        lost("issues", gone);
    }
    if ((mayLose & LoseRemovals) == 0) {
        std::vector<std::string> gone;
        for (const std::string& removal : Gone(before.removals, after.removals)) {
            const auto kept = after.removed.find(RecordOf(removal));
            if (kept == after.removed.end() || kept->second != RemovalRecordsKept) {
                gone.push_back(removal);
            }
        }
        lost("removal records", gone);
    }
    return problems;
}

std::optional<std::vector<std::string>> ClausesKeptOwn(const std::string& record, const StoredState& mine,
                                                       const StoredState& theirs, const StoredState& here,
                                                       const StoredState& there) {
    const auto form = [&record](const StoredState& state) {
        const auto found = state.recordForms.find(record);
        return found != state.recordForms.end() ? std::optional<std::string>(found->second) : std::nullopt;
    };
    if (!form(here) || form(here) != form(there)) {
        return std::nullopt;
    }
    const auto textOf = [](const StoredState& state, const std::string& key) {
        const auto found = state.clauseTexts.find(key);
        return found != state.clauseTexts.end() ? std::optional<std::string>(found->second) : std::nullopt;
    };
    const std::string prefix = record + ": clause ";
    std::vector<std::string> kept;
    for (const auto& [key, hereText] : here.clauseTexts) {
        if (!key.starts_with(prefix)) {
            continue;
        }
        const std::optional<std::string> ownHere =
            textOf(mine, key) ? textOf(mine, key) : textOf(theirs, key);
        const std::optional<std::string> ownThere = textOf(theirs, key) ? textOf(theirs, key) : hereText;
        if (ownHere != hereText || ownThere != textOf(there, key)) {
            return std::nullopt;
        }
        if (hereText != *ownThere) {
            kept.push_back(key.substr(prefix.size()));
        }
    }
    if (kept.empty()) {
        return std::nullopt;
    }
    return kept;
}

} // namespace VantrelSim::Tool
