// What the inspection finds in a project the add-on wrote and something then damaged: records cut
// off, overwritten or written by a newer add-on, parts of the project that users deleted or
// changed, elements that left their clause, and a plan id the page cannot match. Each case names
// every finding it expects, so a finding too many fails as well as one too few.

#include "InspectFixture.hpp"

#include "Support/CaseName.hpp"

#include "Model/Issue/ElementsAssociation.hpp"
#include "Model/Issue/UnknownError.hpp"
#include "Model/VirtualType.hpp"

#include <QB/Channel.hpp>

#include <fmt/format.h>

namespace InspectTest {
namespace {

using VantrelSim::Inspect::Finding;
namespace Kind = VantrelSim::Inspect::FindingKind;

struct Expected {
    const char* kind;
    // "{}" stands for what the damage answered (a byte offset, an issue guid).
    const char* where;
};

struct Case {
    const char* name;
    // Damages the fixture's project; answers what the expected places need.
    std::function<std::string(InspectFixture&)> damage;
    std::vector<Expected> expected;
    const char* text = ""; // in the first finding's text
    VantrelSim::Inspect::Options options = {};
};

// Raises the main version of the frame whose header starts at `at`; answers where the header ends.
std::string RaiseVersion(API_DataBlock& bytes, std::size_t at) {
    bytes.at(at + 16) = std::byte{2};
    return std::to_string(at + 24);
}

void ReplaceGuid(API_DataBlock& bytes, const QB::Guid& from, const QB::Guid& to) {
    const std::size_t at = InspectFixture::Find(bytes, from);
    std::transform(to.GetBytes().begin(), to.GetBytes().end(),
                   bytes.begin() + static_cast<std::ptrdiff_t>(at),
                   [](unsigned char b) { return std::byte{b}; });
}

void Rewrite(InspectFixture& f, QB::Protocol protocol, API_PlatformSign sign) {
    QB::MemoryOChannel oc(protocol);
    ASSERT_EQ(f.connection->Write(oc), QB::NoError);
    API_ModulData& record = *f.Project().modulData.GetPtr(InspectFixture::Record);
    record.dataHdl = oc.GetData();
    record.platformSign = sign;
}

API_DataBlock& PlanDataContent(InspectFixture& f) {
    return f.Project().addonObjects.GetPtr(f.planData->GetAddonObjectGuid())->data;
}

const QB::Guid& DefinitionOf(InspectFixture& f, const QB::UniString& property) {
    return f.connection->GetPropertyGroup().GetDefinitionGuids().Get(property);
}

// A damage whose findings name no byte offset or guid.
std::function<std::string(InspectFixture&)> Quiet(void (*damage)(InspectFixture&)) {
    return [damage](InspectFixture& f) {
        damage(f);
        return std::string();
    };
}

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"Untouched", Quiet([](InspectFixture&) {}), {}},

        // ---- Records that do not read ----
        {"RecordCutOff",
         [](InspectFixture& f) {
             f.Bytes().resize(f.Bytes().size() / 2);
             // The outer frame claims more bytes than are left: refused right after its header.
             return std::to_string(24);
         },
         {{Kind::UnreadableRecord, "ConnectionWithSpecification:S-1, byte {}"}},
         "the record does not read: a length or value that does not fit: the data are cut off or damaged"},
        {"TextLengthBeyondTheData",
         [](InspectFixture& f) {
             const std::size_t text = InspectFixture::Find(f.Bytes(), "S-1");
             std::fill_n(f.Bytes().begin() + static_cast<std::ptrdiff_t>(text) - 4, 4, std::byte{0x7F});
             return std::to_string(text);
         },
         {{Kind::UnreadableRecord, "ConnectionWithSpecification:S-1, byte {}"}},
         "cut off or damaged (0x80010002)"},
        {"UnknownIssueClass",
         [](InspectFixture& f) {
             const std::size_t at =
                 InspectFixture::Find(f.Bytes(), Model::Issue::ElementsAssociation::classInfo.GetId());
             ReplaceGuid(f.Bytes(), Model::Issue::ElementsAssociation::classInfo.GetId(),
                         QB::Guid::Generate());
             return std::to_string(at + 16);
         },
         // A newer add-on's issue: the add-on keeps it as it was stored, nothing is lost.
         {}},
        {"NoData",
         Quiet([](InspectFixture& f) { f.Bytes().clear(); }),
         {{Kind::UnreadableRecord, "ConnectionWithSpecification:S-1, byte 0"}},
         "it holds no data, so the add-on does not see the connection"},

        // ---- Newer versions ----
        {"NewerConnection",
         [](InspectFixture& f) { return RaiseVersion(f.Bytes(), 0); },
         {{Kind::NewerVersion, "ConnectionWithSpecification:S-1, byte {}"}},
         "the record was written by a newer version of the add-on (Model::ConnectionWithSpecification "
         "version "
         "2.0, this add-on reads version 1): keep it, this add-on cannot read it"},
        {"NewerVirtualType",
         [](InspectFixture& f) {
             return RaiseVersion(f.Bytes(),
                                 InspectFixture::Find(f.Bytes(), Model::VirtualType::classInfo.GetId()));
         },
         {{Kind::NewerVersion, "ConnectionWithSpecification:S-1, byte {}"}},
         "(Model::VirtualType version 2.0, this add-on reads version 1)"},
        {"NewerIssue",
         [](InspectFixture& f) {
             // The class guid comes first, then the issue's own frame under the same guid.
             const QB::Guid& id = Model::Issue::ElementsAssociation::classInfo.GetId();
             const std::size_t classId = InspectFixture::Find(f.Bytes(), id);
             return RaiseVersion(f.Bytes(), InspectFixture::Find(f.Bytes(), id, classId + 16));
         },
         // Kept as it was stored, like an issue of a class the add-on does not know.
         {}},
        {"NewerDataVersion",
         Quiet([](InspectFixture& f) {
             f.Project().modulData.GetPtr(InspectFixture::Record)->dataVersion = 2;
         }),
         {{Kind::NewerVersion, "ConnectionWithSpecification:S-1"}},
         "data version 2 is newer than this add-on's 1"},

        // ---- Platform signs ----
        {"UnknownPlatformSign",
         Quiet([](InspectFixture& f) { Rewrite(f, QB::Protocol::BigEndianUtf16, 4242); }),
         {{Kind::UnknownPlatformSign, "ConnectionWithSpecification:S-1"}},
         "platform sign 4242 is none of 22359, 19789 and 28013"},
        {"BigEndianRecordReads",
         Quiet([](InspectFixture& f) { Rewrite(f, QB::Protocol::BigEndian, API_PlatformSign_BigEndian); }),
         {}},

        // ---- The project against the records ----
        {"RecordUnderAnotherName",
         Quiet([](InspectFixture& f) {
             const API_ModulData record = *f.Project().modulData.GetPtr(InspectFixture::Record);
             f.Project().modulData.Delete(InspectFixture::Record);
             f.Project().modulData.Put("ConnectionWithSpecification:S-9", record);
         }),
         {{Kind::RecordNameMismatch, "ConnectionWithSpecification:S-9"}},
         "holds the specification \"S-1\": the add-on stores this connection under "
         "\"ConnectionWithSpecification:S-1\""},
        {"ClassificationSystemDeleted",
         Quiet([](InspectFixture& f) { f.Project().DeleteSystem(f.systemGuid); }),
         {{Kind::MissingClassificationSystem, "ConnectionWithSpecification:S-1"},
          {Kind::MissingClassificationItem, "ConnectionWithSpecification:S-1, virtual type C-1"},
          {Kind::MissingClassificationItem, "ConnectionWithSpecification:S-1, virtual type C-2"}},
         "is not in the project: every association of this connection fails"},
        {"ClassificationItemGone",
         Quiet([](InspectFixture& f) { ReplaceGuid(f.Bytes(), f.itemG20, QB::Guid::Generate()); }),
         {{Kind::MissingClassificationItem, "ConnectionWithSpecification:S-1, virtual type C-2"},
          {Kind::ClassificationDisagrees, "ConnectionWithSpecification:S-1, element W-3"}},
         "of code G20 is not in the project"},
        {"ClassificationItemRecoded",
         Quiet([](InspectFixture& f) { f.Project().FindItem(f.itemG20)->id = "G21"; }),
         {{Kind::ClassificationItemRecoded, "ConnectionWithSpecification:S-1, virtual type C-2"}},
         "now has the code G21, the clause's code is G20"},
        {"PropertyGroupDeleted",
         Quiet(
             [](InspectFixture& f) { f.Project().DeleteGroup(f.connection->GetPropertyGroup().GetGuid()); }),
         {{Kind::MissingPropertyGroup, "ConnectionWithSpecification:S-1"}},
         "is not in the project: associations and clause updates of this connection fail"},
        {"PropertyDefinitionGone",
         Quiet([](InspectFixture& f) {
             ReplaceGuid(f.Bytes(), DefinitionOf(f, TesselConnect::Api::Properties::Name::Title),
                         QB::Guid::Generate());
         }),
         {{Kind::MissingProperty, "ConnectionWithSpecification:S-1"}},
         "of ArdoTesselTitle is not in the project"},
        {"ClauseWithoutAPrefix",
         Quiet([](InspectFixture& f) {
             Properties clause = InspectFixture::Clause("C-3", "F10", "Blocks");
             clause.Delete(Properties::Name::Prefix);
             f.connection->Associate("C-3", clause, {}, false);
         }),
         {{Kind::MissingProperty, "ConnectionWithSpecification:S-1, virtual type C-3"}},
         "holds no value for ArdoTesselPrefix"},

        // ---- Elements ----
        {"ElementValueChanged",
         Quiet([](InspectFixture& f) {
             VantrelSim::ProjectBuilder(f.Project())
                 .SetStringValue(f.wall1, DefinitionOf(f, Properties::Name::Title), "Changed");
         }),
         {{Kind::PropertyValuesDisagree, "ConnectionWithSpecification:S-1, virtual type C-1, element W-1"}},
         "ArdoTesselTitle is \"Changed\" (the clause says \"Brick walls\")"},
        {"ElementReclassified",
         Quiet([](InspectFixture& f) { f.Project().Classify(*f.Project().FindElement(f.wall1), f.itemG20); }),
         {{Kind::ClassificationDisagrees, "ConnectionWithSpecification:S-1, element W-1"}},
         "carries the clause id C-1 of code F10 but is classified as G20"},
        {"ElementOfAnUnknownClause",
         Quiet([](InspectFixture& f) {
             VantrelSim::ProjectBuilder(f.Project())
                 .SetStringValue(f.wall3, DefinitionOf(f, Properties::Name::ClauseId), "C-9");
         }),
         {{Kind::ClassificationDisagrees, "ConnectionWithSpecification:S-1, element W-3"}},
         "is classified as G20 and carries the clause id C-9, which no virtual type of this connection has"},
        {"ElementDisassociated",
         Quiet([](InspectFixture& f) {
             // The add-on leaves the clause values on purpose: not a finding.
             f.connection->Disassociate("C-1", {f.wall2});
         }),
         {}},
        {"IssueElementDeleted",
         [](InspectFixture& f) {
             f.Project().DeleteElement(f.lockedWall);
             return f.connection->GetIssueCollection().GetIssues()[0]->GetGuid().ToString();
         },
         {{Kind::IssueNamesDeletedElement, "ConnectionWithSpecification:S-1, issue {}"}},
         "names 1 element(s) no longer in the project"},
        {"IssueListLostAtAnEarlierRead",
         Quiet([](InspectFixture& f) {
             // Stored earlier, this is only an issue; only a failure of this read is a finding.
             f.connection->RemoveIssue(f.connection->GetIssueCollection().GetIssues()[0]);
             f.connection->AddIssue(
                 std::make_shared<Model::Issue::UnknownError>("Issue::Collection read error: x"));
         }),
         {}},

        // ---- Connections against each other ----
        {"SecondConnectionOnTheSameSystem",
         Quiet([](InspectFixture& f) {
             f.Undoable([&] {
                 std::make_shared<Model::ConnectionWithSpecification>(
                     f.vantrel, f.tesselPtr, f.planData, f.systemGuid, "S-2", "Other", "P-1", "Project");
             });
         }),
         {{Kind::SharedClassificationSystem, "ConnectionWithSpecification:S-2"}},
         "as \"ConnectionWithSpecification:S-1\" does"},

        {"ConnectionDeletedLeavingItsGroup",
         [](InspectFixture& f) {
             f.Project().modulData.Delete(InspectFixture::Record);
             return f.connection->GetPropertyGroup().GetGuid().ToString();
         },
         {{Kind::OrphanPropertyGroup, "property group {}"}},
         "\"Ardo Tessel: Spec - Project\" was made by the add-on but no connection holds it"},

        // ---- Plan id ----
        {"PlanDataRemoved",
         Quiet([](InspectFixture& f) { f.Project().addonObjects.Delete(f.planData->GetAddonObjectGuid()); }),
         {{Kind::PlanIdMissing, "PlanData"}},
         "the project has no plan data object: the add-on makes up a new plan id at every opening"},
        {"NewerPlanData",
         [](InspectFixture& f) { return RaiseVersion(PlanDataContent(f), 0); },
         {{Kind::NewerVersion, "PlanData, byte {}"}, {Kind::PlanIdMissing, "PlanData"}},
         "the plan data object was written by a newer version of the add-on (Model::PlanData version 2.0"},
        {"PlanDataWithAnEmptyId",
         Quiet([](InspectFixture& f) {
             QB::MemoryOChannel oc;
             EXPECT_EQ(Model::PlanData(f.vantrel).Write(oc), QB::NoError);
             PlanDataContent(f) = oc.GetData();
         }),
         {{Kind::PlanIdMissing, "PlanData"}},
         "the plan data object holds an empty plan id"},
        {"PageKnowsAnotherPlanId",
         Quiet([](InspectFixture&) {}),
         {{Kind::PlanIdDiffers, "PlanData"}},
         "the page knows this project as 0000-other, its plan data object holds",
         {.planId = "0000-other"}},
    };
    return cases;
}

class Findings : public InspectFixture, public ::testing::WithParamInterface<Case> {};

TEST_P(Findings, NamesEachFindingWhereItIs) {
    const Case& c = GetParam();
    const std::string detail = c.damage(*this);
    const VantrelSim::Inspect::Report report = Inspect(c.options);

    std::vector<std::string> expected;
    for (const Expected& finding : c.expected) {
        expected.push_back(
            fmt::format("{}: {}", finding.kind, fmt::format(fmt::runtime(finding.where), detail)));
    }
    std::vector<std::string> found;
    for (const Finding& finding : report.findings) {
        found.push_back(fmt::format("{}: {}", finding.kind, finding.where));
    }
    EXPECT_EQ(found, expected);
    if (!report.findings.empty()) {
        EXPECT_THAT(report.findings.front().text, HasSubstr(c.text));
    }
}

INSTANTIATE_TEST_SUITE_P(Damage, Findings, ::testing::ValuesIn(Cases()), TestSupport::CaseName);

} // namespace
} // namespace InspectTest
