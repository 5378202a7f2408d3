// `vantrel-sim inspect` as support runs it: on projects the add-on saved (no findings, exit 0), on
// the damaged sample (each finding named, exit 1, the file untouched) and on files that are no
// projects (exit 2, the file and the place named).

#include "SimProgram.hpp"

#include <VantrelSim/ProjectFile.hpp>

namespace SimTest {
namespace {

class SimInspect : public ProgramTest {
protected:
    SimInspect() : ProgramTest("sim-inspect") {}
    ProgramRun Inspect(const std::filesystem::path& project, std::vector<std::string> options = {}) {
        options.insert(options.begin(), {"inspect", project.string()});
        return RunSim(options, folder);
    }
};

TEST_F(SimInspect, SavedProjectsReadWithoutFindings) {
    struct Case {
        const char* scenario;
        const char* project;
        std::vector<std::string> shown;
    };
    const std::vector<Case> cases = {
        {"Demo/demo.scenario.json",
         "demo.project.json",
         {"ConnectionWithSpecification:S-2002 (data version 1, platform sign 22359, ",
          "    C-4003, code 22.10, item ", "    C-4004, code 22.20, item ",
          "associated elements (2): C-01, C-02", "  issues: 0\n"}},
        {"Support/support.scenario.json",
         "support.project.json",
         {"ConnectionWithSpecification:S-2001 (", "ConnectionWithSpecification:S-2002 (",
          "    C-3001, code A10, item ", "    C-3012, code F10, item ", "    C-4003, code 22.10, item ",
          "  issues: 2\n", "ElementsAssociation AssocOnLockedLayer, warning, ",
          "Element(s) are placed on a locked layer.\"", "ElementsAssociation AssocNotSuitable, warning, ",
          "Element type(s) cannot be classified.\"", "      elements (1): EW-04\n", "  removed issues: 1\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        const ProgramRun run = Run(SourceDir() / "Samples" / c.scenario);
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;

        const ProgramRun inspect = Inspect(out / c.project);
        EXPECT_EQ(inspect.exitCode, 0) << inspect.out << inspect.err;
        for (const std::string& text : c.shown) {
            EXPECT_THAT(inspect.out, HasSubstr(text));
        }
        EXPECT_THAT(inspect.out, HasSubstr("\nFindings: none\n"));
        EXPECT_EQ(inspect.err, "");

        const ProgramRun json = Inspect(out / c.project, {"--json"});
        EXPECT_EQ(json.exitCode, 0) << json.err;
        EXPECT_THAT(json.out, HasSubstr("\"findings\": []"));
    }
}

// The sample of the README's section for support: another user deleted the wall of an issue, a
// newer add-on wrote the structural connection, and the plan data object was cut off.
TEST_F(SimInspect, DamagedSampleNamesEachFindingAndFilesThatAreNoProjectsThePlace) {
    const std::filesystem::path sample = SourceDir() / "Samples/Support/damaged-library.project.json";
    const std::string before = ReadFile(sample);
    const ProgramRun run = Inspect(sample);

    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_THAT(run.out,
                HasSubstr("      elements (1): DE2AC545-E068-5E7F-BBF6-5C3A660C70BD (not in the project)\n"));
    EXPECT_THAT(run.out, HasSubstr("\nFindings: 4\n"));
    EXPECT_THAT(
        run.out,
        HasSubstr("\n  ConnectionWithSpecification:S-2001, issue 403F4DCB-979A-4781-8A35-4EDAA2DF1805: "
                  "names 1 element(s) no longer in the project: DE2AC545-E068-5E7F-BBF6-5C3A660C70BD\n"));
    EXPECT_THAT(
        run.out,
        HasSubstr("\n  ConnectionWithSpecification:S-2002, byte 409: the record was written by a newer "
                  "version of the add-on (Model::VirtualType version 2.0, this add-on reads version "
                  "1): keep it, this add-on cannot read it\n"));
    EXPECT_THAT(run.out, HasSubstr("\n  PlanData, byte 24: the plan data object does not read: "));
    EXPECT_THAT(
        run.out,
        HasSubstr("\n  PlanData: the plan data object does not read: the add-on makes up a new plan id"));
    EXPECT_EQ(ReadFile(sample), before);

    // The JSON form carries the same findings (the report tests); --json reaches it (the saved projects).

    // Files that are no projects are named with the place (exit 2).
    const ProgramRun missing = Inspect(folder / "missing.project.json");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_THAT(missing.err, HasSubstr("missing.project.json: cannot be read"));
    EXPECT_EQ(missing.out, "");

    WriteFile(folder / "broken.project.json",
              "{\"format\": \"vantrel-sim-project\", \"version\": 1,\n  \"name\": }");
    const ProgramRun broken = Inspect(folder / "broken.project.json");
    EXPECT_EQ(broken.exitCode, 2);
    EXPECT_THAT(broken.err, HasSubstr("broken.project.json:2:"));

    EXPECT_EQ(RunSim({"inspect", "a.json", "--plan-id"}, folder).exitCode, 2);
}

} // namespace
} // namespace SimTest
