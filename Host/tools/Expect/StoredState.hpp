#pragma once

// What the inspector (`vantrel-sim inspect --json`) read from a project, reduced to what the
// "consistent" check compares: the findings, and the stored things a step must not lose without
// a reason (clauses, associations, issues, removal records), each as one line naming where it is.

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace VantrelSim::Tool {

// The most removal records a connection keeps: at this many, the oldest are dropped down to
// RemovalRecordsKept.
inline constexpr std::size_t RemovalRecordLimit = 4000;
inline constexpr std::size_t RemovalRecordsKept = 2000;

struct StoredFinding {
    std::string kind;
    std::string where;
    std::string text;
    // The module-data record it is about ("" for findings about the project as a whole).
    std::string Record() const;
    auto operator<=>(const StoredFinding&) const = default;
};

struct StoredState {
    std::vector<StoredFinding> findings;
    std::set<std::string> clauses;            // "<record>: clause <id>"
    std::set<std::string> associations;       // "<record>: clause <id>, element <guid>"
    std::set<std::string> issues;             // "<record>: issue <guid>"
    std::multiset<std::string> issueContents; // "<record>: <kind>: <text>"
    std::set<std::string> titleIssueRemovals; // "<record>: removal record <guid>" of each title issue
    std::map<std::string, std::string> issueContentOf; // "<record>: issue <guid>" -> its issueContents line
    std::set<std::string> touchingGone;                // "<record>: issue <guid>" naming an element now gone
    std::set<std::string> allElementsGone;             // the same, of issues whose elements are all gone
    std::map<std::string, std::string>
        clauseTexts; // "<record>: clause <id>" -> its properties and dirty names
    std::map<std::string, std::string> recordForms; // record -> all it holds but its clauses' texts
    std::set<std::string> removals;                 // "<record>: removal record <guid>"
    std::map<std::string, std::size_t> removed;     // record -> removal records
    std::set<std::string> partIssueRecords;         // records whose issues name a missing part of theirs
    std::vector<std::string> wrong;                 // what is wrong whatever the step did

    // For each of touchingGone, the guids of the elements it names that are gone.
    std::map<std::string, std::set<std::string>> goneElementsOf;
};

// Throws std::runtime_error when the text is not an inspector's JSON report.
StoredState ReadStoredState(std::string_view json);

// What a step may remove (a bit each).
enum StoredLoss : unsigned {
    LoseNothing = 0,
    LoseClauses = 1,
    LoseAssociations = 2,
    LoseIssues = 4,
    LoseRemovals = 8,
    LoseAnything = 15,
};

// What the after-state has wrong that the before-state did not: new findings (except on records
// `excused` names, and missing parts an issue of the connection names), what is wrong whatever the
// step did, and what was lost that the step may not remove. An issue that went is not lost when a
// removal record took its place or a newer issue of its connection came (it was superseded);
// removal records that went are not lost when their connection kept exactly RemovalRecordsKept.
std::vector<std::string> CompareStoredStates(const StoredState& before, const StoredState& after,
                                             unsigned mayLose, const std::set<std::string>& excused);

// A merge takes the other user's clauses only where it has none: a clause both users held keeps each
// one's own texts (properties and dirty names). Given the record as this user (`mine`) and the other
// user (`theirs`) held it before exchanging it both ways, and as each holds it after (`here`,
// `there`): the clauses whose texts differ between `here` and `there`, when all else is the same and
// each side kept its own texts; nothing when anything else explains the difference.
std::optional<std::vector<std::string>> ClausesKeptOwn(const std::string& record, const StoredState& mine,
                                                       const StoredState& theirs, const StoredState& here,
                                                       const StoredState& there);

} // namespace VantrelSim::Tool
