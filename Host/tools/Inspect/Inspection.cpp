#include "Inspection.hpp"

#include "AddonSession.hpp"
#include "ConnectionChecks.hpp"
#include "ConnectionDecode.hpp"
#include "RecordReader.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/PlanData.hpp"
#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"

#include <fmt/format.h>

namespace VantrelSim::Inspect {

namespace {

using TesselConnect::Model::ConnectionWithSpecification;
namespace ModulDataWrapper = TesselConnect::Api::ModulDataWrapper;

constexpr const char* PlanDataWhere = "PlanData";

// `subject` does not read; `consequence` says what the add-on makes of that, if anything.
void AddReadFailure(const std::string& where, const std::string& subject, const ReadFailure& failure,
                    const std::string& consequence, std::vector<Finding>& findings) {
    const std::string text =
        failure.newerVersion
            ? fmt::format("{} was written by a newer version of the add-on ({}): keep it, this add-on cannot "
                          "read it{}",
                          subject, failure.reason, consequence)
            : fmt::format("{} does not read: {}{}", subject, failure.reason, consequence);
    findings.push_back({failure.newerVersion ? FindingKind::NewerVersion : FindingKind::UnreadableRecord,
                        fmt::format("{}, byte {}", where, failure.offset), text});
}

void CheckRecordHeader(const ConnectionReport& report, std::vector<Finding>& findings) {
    if (!ModulDataWrapper::IsKnownPlatformSign(report.platformSign)) {
        findings.push_back({FindingKind::UnknownPlatformSign, report.record,
                            fmt::format("platform sign {} is none of {}, {} and {}: the add-on reads the "
                                        "record as big-endian UTF-16 data, which may be wrong",
                                        report.platformSign, API_PlatformSign_LittleEndian,
                                        API_PlatformSign_BigEndian, API_PlatformSign_BigEndianUtf16)});
    }
    if (report.dataVersion > ModulDataWrapper::DataVersion) {
        findings.push_back({FindingKind::NewerVersion, report.record,
                            fmt::format("data version {} is newer than this add-on's {}: keep the record, "
                                        "this add-on may misread it",
                                        report.dataVersion, ModulDataWrapper::DataVersion)});
    }
}

// The plan id the page knows the project by; without a usable one the add-on makes up a new id at
// every opening, and the page no longer finds the project's connections.
void InspectPlanData(AddonSession& session, const Options& options, std::size_t connectionCount,
                     Report& report) {
    const Project& project = session.GetProject();
    PlanDataReport& planData = report.planData;
    std::string missing;
    // An empty stored id is taken over when the next specification is connected.
    bool hurtsWithoutConnections = false;
    for (const auto& [guid, object] : project.addonObjects) {
        if (object.name != TesselConnect::Model::PlanData::AddonObjectName) {
            continue;
        }
        planData.present = true;
        planData.objectGuid = guid.ToString();
        planData.size = object.data.size();
        if (object.data.empty()) {
            missing = "the plan data object holds no plan id";
            break;
        }
        const PlanDataRead read = ReadPlanDataContent(session, object.data);
        if (read.failure.has_value()) {
            AddReadFailure(PlanDataWhere, "the plan data object", *read.failure, "", report.findings);
            missing = "the plan data object does not read";
        } else {
            planData.readable = true;
            planData.id = *read.id;
            if (planData.id.empty()) {
                missing = "the plan data object holds an empty plan id";
                hurtsWithoutConnections = true;
            }
        }
        break;
    }
    if (!planData.present) {
        missing = "the project has no plan data object";
    }
    if (!missing.empty() && (connectionCount > 0 || hurtsWithoutConnections)) {
        report.findings.push_back(
            {FindingKind::PlanIdMissing, PlanDataWhere,
             fmt::format("{}: the add-on makes up a new plan id at every opening, so the page does not "
                         "find this project's {} connection(s)",
                         missing, connectionCount)});
    }
    if (options.planId.has_value() && *options.planId != planData.id) {
        report.findings.push_back(
            {FindingKind::PlanIdDiffers, PlanDataWhere,
             planData.id.empty()
                 ? fmt::format("the page knows this project as {}, but the project holds no plan id",
                               *options.planId)
                 : fmt::format("the page knows this project as {}, its plan data object holds {}: the page "
                               "does not find this project's connections",
                               *options.planId, planData.id)});
    }
}

} // namespace

Report InspectProject(const Project& project, const std::string& file, const Options& options) {
    Report report;
    report.file = file;
    report.projectName = project.name.ToUtf8();
    AddonSession session(project);

    for (const auto& [name, record] : session.GetProject().modulData) {
        if (!ConnectionWithSpecification::IsModulDataNameOfThisType(name)) {
            report.otherRecords.push_back(name.ToUtf8());
            continue;
        }
        ConnectionReport& conn = report.connections.emplace_back();
        conn.record = name.ToUtf8();
        conn.dataVersion = record.dataVersion;
        conn.platformSign = record.platformSign;
        conn.size = record.dataHdl.size();
        CheckRecordHeader(conn, report.findings);
        ConnectionRead read = ReadConnectionRecord(session, record);
        if (read.failure.has_value()) {
            AddReadFailure(conn.record, "the record", *read.failure, "", report.findings);
            continue;
        }
        if (read.issuesFailure.has_value()) {
            AddReadFailure(conn.record, "the issue list", *read.issuesFailure,
                           "; the add-on shows one unknown-error issue in its place and stores that over it "
                           "at its next change",
                           report.findings);
        }
        DescribeConnection(session, *read.connection, conn);
        CheckConnection(conn, report.findings);
        CheckElements(session, *read.connection, conn, report.findings);
    }
    CheckAcrossConnections(report.connections, report.findings);
    CheckLeftOverGroups(session, report.connections, report.findings);
    InspectPlanData(session, options, report.connections.size(), report);
    return report;
}

} // namespace VantrelSim::Inspect
