// Writes the seed inputs of every fuzz target from what the project writes itself: the records of
// the connected project (its connection, with one issue of every kind added, in each channel
// protocol), the parts of those records, the plan data object, the page calls of the demo's steps,
// the sample project and scenario, and a project file the simulator wrote.
//
//   fuzz-seeds FOLDER      writes FOLDER/<Target>/seed-*
//
// scripts/fuzz.sh merges these into the minimised corpora (Fuzz/corpus).

#include "Support/FuzzWorld.hpp"
#include "Support/RecordPair.hpp"
#include "Support/Samples.hpp"
#include "Support/SignedRecord.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Issue/Collection.hpp"
#include "Model/PlanData.hpp"
#include "Model/VirtualType.hpp"
#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"

#include <VantrelSim/ProjectFile.hpp>

#include <QB/Channel.hpp>

#include <fmt/format.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace TesselConnect;
namespace fs = std::filesystem;

fs::path out;

void Save(const std::string& target, const std::string& name, const void* data, std::size_t size) {
    fs::create_directories(out / target);
    std::ofstream stream(out / target / ("seed-" + name), std::ios::binary);
    stream.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void SaveInput(const std::string& target, const std::string& name, const std::vector<std::uint8_t>& input) {
    Save(target, name, input.data(), input.size());
}

void SaveText(const std::string& target, const std::string& name, const std::string& text) {
    Save(target, name, text.data(), text.size());
}

void CopyFile(const std::string& target, const std::string& name, const fs::path& from) {
    std::ifstream stream(from, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    SaveText(target, name, text);
}

const char* ProtocolName(QB::Protocol protocol) {
    switch (protocol) {
    case QB::Protocol::LittleEndian:
        return "le";
    case QB::Protocol::BigEndian:
        return "be";
    case QB::Protocol::BigEndianUtf16:
        return "utf16";
    }
    return "other";
}

template <typename T> void SaveStored(const std::string& target, const std::string& name, const T& object) {
    for (const QB::Protocol protocol : Fuzz::Protocols) {
        QB::MemoryOChannel oc(protocol);
        object.Write(oc);
        Save(target, fmt::format("{}-{}", name, ProtocolName(protocol)), oc.GetData().data(),
             oc.GetData().size());
    }
}

// The connection record targets' inputs name the sign of their record: each protocol's form under
// the sign of that protocol; the receive's first byte also names one of its three meetings.
void SaveSignedRecords(const std::string& name, const Model::ConnectionWithSpecification& connection) {
    for (const QB::Protocol protocol : Fuzz::Protocols) {
        QB::MemoryOChannel oc(protocol);
        connection.Write(oc);
        API_ModulData record;
        record.dataVersion = 1;
        record.platformSign = Fuzz::SignOfProtocol(protocol);
        record.dataHdl = oc.TakeData();
        std::vector<std::uint8_t> input = Fuzz::EncodeSignedRecord(record);
        SaveInput("ConnectionRecord", fmt::format("{}-{}", name, ProtocolName(protocol)), input);
        for (const int meeting : {0, 1, 2}) {
            SaveInput("ConnectionReceive", fmt::format("{}-{}-{}", name, ProtocolName(protocol), meeting),
                      input);
            input[0] = static_cast<std::uint8_t>(input[0] + 3);
        }
    }
}

void StoredForms() {
    Fuzz::FuzzWorld world;
    Model::Manager& manager = world.Open(Fuzz::ConnectedProject());
    const auto connection = manager.GetConnection(Fuzz::SpecId);
    SaveSignedRecords("connected", *connection);
    const API_ModulData connected = Api::ModulDataWrapper::CreateForObject(*connection);
    SaveStored("ClassificationSystem", "connected", connection->GetClassificationSystem());
    SaveStored("PropertyGroup", "connected", connection->GetPropertyGroup());
    connection->ForEachVirtualType(
        [](const Model::VirtualType& type) { SaveStored("VirtualType", "C-1", type); });
    SaveStored("IssueCollection", "connected", connection->GetIssueCollection());

    const std::vector<std::string> kinds{"IssueElementsAssociation", "IssueUpdateElementsProperties",
                                         "IssueMissingClassificationItem", "IssueUnknownError",
                                         "IssueCoudntUpdateProjectOrSpecTitle"};
    const std::vector<std::string> names{"locked-layer", "locked-element", "z99", "hint", "titles"};
    const Model::Issue::Issues issues = Fuzz::SampleIssues(*world.vantrel);
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        SaveStored(kinds[i], names[i], *issues[i]);
    }
    for (const Model::Issue::IssuePtr& issue : issues) {
        connection->AddIssue(issue);
    }
    connection->Associate("C-2",
                          Fuzz::SampleClause("C-2", "G20", "Floors \"screed\" {ArdoTesselProjectTitle}"),
                          {Fuzz::Ids().column}, false);
    SaveSignedRecords("every-issue", *connection);
    // Two users' records as a receive meets them: one user's work against the other's unchanged
    // record, both ways, and a removal against the record that still holds the removed issue.
    const API_ModulData everyIssue = Api::ModulDataWrapper::CreateForObject(*connection);
    connection->RemoveIssue(issues[0]);
    const API_ModulData removed = Api::ModulDataWrapper::CreateForObject(*connection);
    SaveInput("ConnectionMerge", "same", Fuzz::EncodePair({connected, connected}));
    SaveInput("ConnectionMerge", "theirs-added", Fuzz::EncodePair({connected, everyIssue}));
    SaveInput("ConnectionMerge", "mine-added", Fuzz::EncodePair({everyIssue, connected}));
    SaveInput("ConnectionMerge", "mine-removed", Fuzz::EncodePair({removed, everyIssue}));
    SaveInput("ConnectionMerge", "theirs-removed", Fuzz::EncodePair({everyIssue, removed}));
    SaveStored("IssueCollection", "every-issue", connection->GetIssueCollection());
    connection->ForEachVirtualType([](const Model::VirtualType& type) {
        SaveStored("VirtualType", fmt::format("{}", type.GetVirtualTypeId()), type);
    });

    for (const auto& [guid, object] : world.host.GetProject().addonObjects) {
        if (object.name == Model::PlanData::AddonObjectName) {
            Save("PlanData", "connected", object.data.data(), object.data.size());
        }
    }
}

void PageCalls() {
    Fuzz::FuzzWorld world;
    Model::Manager& manager = world.Open(Fuzz::ConnectedProject());
    const std::string ref = manager.GetPlanData()->GetId().ToUtf8();
    const std::string clause =
        R"({\"ArdoTesselClauseId\":\"C-1\",\"ArdoTesselCode\":\"F10\",)"
        R"(\"ArdoTesselTitle\":\"Walls\",\"ArdoTesselPrefix\":\"A\",\"ArdoTesselSuffix\":\"B\"})";
    const std::string names = R"([\"ArdoTesselClauseId\",\"ArdoTesselCode\",\"ArdoTesselTitle\"])";
    SaveText("PageObjectVerifier", "none", "null");
    SaveText("PageOnlineStateChanged", "online", R"("online")");
    SaveText("PageOnlineStateChanged", "offline", R"("offline")");
    SaveText("PageGetAllState", "none", "null");
    SaveText("PageSelectInstancesOfType", "clause", R"("C-1")");
    SaveText("PageSelectInstancesOfType", "element-type", R"("API_ElemTypeID-1-0")");
    SaveText("PageGetAllTypesInDocument", "names", fmt::format(R"(["{}","{}"])", ref, names));
    SaveText("PageUpdateProperties", "clause", fmt::format(R"(["{}","","{{\"C-1\":{}}}"])", ref, clause));
    SaveText("PageSpecOpened", "opened",
             R"(["P-1","S-1","Riverside Library","Architectural Specification"])");
    SaveText("PageSpecAssociationRequested", "connect",
             R"(["P-1","S-2","Riverside Library","Structure","","Uniclass"])");
    SaveText("PageSpecAssociationRequested", "reconnect", R"(["P-1","S-1","Riverside Library","Spec"])");
    SaveText("PageRemoveSpecAssociationRequested", "disconnect", fmt::format(R"(["P-1","S-1","{}"])", ref));
    SaveText("PageAssociationRequested", "associate", fmt::format(R"(["type","S-1","C-1","{}"])", clause));
    SaveText("PageAssociationRequested", "new-clause",
             R"(["type","S-1","C-2","{\"ArdoTesselClauseId\":\"C-2\",\"ArdoTesselCode\":\"G20\"}"])");
    SaveText("PageRemoveAssociationRequested", "remove", fmt::format(R"(["type","S-1","C-1","{}"])", clause));
}

void Files(const fs::path& source) {
    CopyFile("ProjectFile", "riverside-library", source / "Samples/Demo/riverside-library.project.json");
    SaveText("ProjectFile", "connected", VantrelSim::WriteProjectJson(Fuzz::ConnectedProject()));
    CopyFile("Scenario", "demo", source / "Samples/Demo/demo.scenario.json");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-seeds FOLDER\n");
        return 2;
    }
    try {
        out = argv[1];
        StoredForms();
        PageCalls();
        Files(ATC_SOURCE_DIR);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fuzz-seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
