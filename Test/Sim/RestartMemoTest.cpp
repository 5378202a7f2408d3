// restartKeeps restarts the host only where a restart could show something new: where the host would
// restart from all that an earlier restart started from, that restart's palette and page are
// compared again; any change of what a restart starts from (the project, whichever way it changes,
// the selection, the page's storage, the preferences) makes the host restart again.

#include "SimProgram.hpp"

#include <Run/RestartMemo.hpp>

#include <optional>
#include <string>

namespace SimTest {
namespace {

using VantrelSim::Tool::FolderText;

constexpr const char* Restarted = "(restartKeeps: restartHost)";
constexpr const char* Reused =
    "(restartKeeps: the host would restart from all that it restarted from after step ";

struct RestartCase {
    const char* what;
    const char* before; // steps that set the case up, checking nothing
    const char* step;   // the step whose restartKeeps is looked at, without its "expect"
    bool restarts;
};

const RestartCase RestartCases[] = {
    {"nothing changed", "", R"({"do": "check")", false},
    {"the user changes the model", "", R"({"do": "lockElements", "elements": ["SW-01"])", true},
    {"the user selects", "", R"({"do": "select", "elements": ["EW-01"])", true},
    {"the add-on writes its records", R"({"do": "select", "elements": ["EW-01"]},)",
     R"({"do": "page", "action": "associate", "specification": "S-2001", "clause": "C-3001")", true},
    // Back to a project no restart started from.
    {"an undo",
     R"({"do": "lockElements", "elements": ["SW-01"]}, {"do": "lockElements", "elements": ["EW-01"]},)",
     R"({"do": "undo", "times": 1)", true},
    {"another user's change", "",
     R"({"do": "receiveChanges", "user": 2, "changes": [{"do": "lockElements", "elements": ["SW-01"]}])",
     true},
    {"the page opens another specification", "",
     R"({"do": "page", "action": "open", "specification": "S-2002")", true},
    {"a project file opened", R"({"do": "saveProject", "file": "again.project.json"},)",
     R"({"do": "openProject", "saved": "again.project.json")", true},
};

class RestartReuse : public ProgramTest, public ::testing::WithParamInterface<RestartCase> {
protected:
    RestartReuse() : ProgramTest("restart-reuse") {}
};

TEST_P(RestartReuse, HappensOnlyWhereNothingARestartStartsFromChanged) {
    const RestartCase& each = GetParam();
    const std::string holds = R"(, "expect": {"holds": ["restartKeeps"]}})";
    // The first restart saves the project under a new path; the second one starts from all that the
    // third would.
    const std::string steps = std::string(R"([{"do": "menu"},
        {"do": "page", "action": "connect", "specification": "S-2001", "answers": [{"chooseSystem": 1}]},
        {"do": "page", "action": "open", "specification": "S-2001"},
        {"do": "check")") + holds +
                              R"(, {"do": "check")" + holds + ", " + each.before + each.step + holds + "]";
    const std::filesystem::path scenario = folder / "case.scenario.json";
    WriteFile(scenario, R"({"project": ")" +
                            (SourceDir() / "Samples/Demo/riverside-library.project.json").string() +
                            R"(", "steps": )" + steps + "}");

    const ProgramRun run = Run(scenario);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const std::string transcript = ReadFile(out / "transcript.txt");
    const std::string fifth = "\nstep 5 (";
    ASSERT_NE(transcript.find(fifth), std::string::npos);
    const std::string first =
        transcript.substr(transcript.find(fifth), transcript.rfind("\nstep ") - transcript.find(fifth));
    const std::string last = transcript.substr(transcript.rfind("\nstep "));
    EXPECT_THAT(first, HasSubstr(Restarted));
    if (each.restarts) {
        EXPECT_THAT(last, HasSubstr(Restarted));
        EXPECT_THAT(last, ::testing::Not(HasSubstr(Reused)));
    } else {
        EXPECT_THAT(last, HasSubstr(std::string(Reused) + "5: compared with what that restart showed)"));
        EXPECT_THAT(last, ::testing::Not(HasSubstr(Restarted)));
    }
}

INSTANTIATE_TEST_SUITE_P(Holds, RestartReuse, ::testing::ValuesIn(RestartCases),
                         [](const ::testing::TestParamInfo<RestartCase>& param) {
                             std::string name = param.param.what;
                             std::erase_if(
                                 name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
                             return name;
                         });

// The preferences and the add-on's folders a restart starts from are told apart by every byte and
// every name.
TEST(RestartStartsFrom, FolderTextChangesWithEveryFileNameAndByte) {
    TestSupport::TempDir temp("restart-folders");
    const std::filesystem::path folder = temp.Path() / "preferences";
    EXPECT_EQ(FolderText(folder), std::optional<std::string>(""));

    std::filesystem::create_directories(folder / "inner");
    WriteFile(folder / "User.prefs", "ab");
    WriteFile(folder / "inner" / "Machine.prefs", "c");
    const std::optional<std::string> first = FolderText(folder);
    ASSERT_TRUE(first);
    EXPECT_EQ(FolderText(folder), first);

    const auto changedBy = [&](const auto& change, const auto& undo) {
        change();
        const std::optional<std::string> now = FolderText(folder);
        undo();
        return now != first && FolderText(folder) == first;
    };
    EXPECT_TRUE(changedBy([&] { WriteFile(folder / "User.prefs", "aB"); },
                          [&] { WriteFile(folder / "User.prefs", "ab"); }));
    // A byte moved from one file to the next.
    EXPECT_TRUE(changedBy(
        [&] {
            WriteFile(folder / "User.prefs", "a");
            WriteFile(folder / "inner" / "Machine.prefs", "bc");
        },
        [&] {
            WriteFile(folder / "User.prefs", "ab");
            WriteFile(folder / "inner" / "Machine.prefs", "c");
        }));
    EXPECT_TRUE(changedBy([&] { WriteFile(folder / "Default.prefs", ""); },
                          [&] { std::filesystem::remove(folder / "Default.prefs"); }));
    EXPECT_TRUE(changedBy([&] { std::filesystem::rename(folder / "User.prefs", folder / "Users.prefs"); },
                          [&] { std::filesystem::rename(folder / "Users.prefs", folder / "User.prefs"); }));
}

} // namespace
} // namespace SimTest
