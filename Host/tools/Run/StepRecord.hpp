#pragma once

// What one step did, gathered from the host's, the dialog library's and the page's recordings:
// the marks are where each recording stood before the step, the record what came after.

#include "Page/PageTraffic.hpp"
#include "Run/AddonLogFile.hpp"

#include <VantrelSim/Host.hpp>

#include <PK/InteractionRecord.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace VantrelSim::Tool {

// Where each recording stood when a step began.
struct StepMarks {
    std::size_t traffic = 0;
    std::size_t commands = 0;
    std::size_t alerts = 0;
    std::size_t dialogs = 0;
    std::size_t zooms = 0;
    std::size_t reports = 0;
    std::size_t logLines = 0;
    std::uintmax_t addonLog = 0;
    std::vector<std::size_t> calls; // per host function, in table order
    std::vector<QB::Guid> selection;
    std::chrono::steady_clock::time_point start;
};

// What a step did, gathered once for the report and the checks.
struct StepRecord {
    std::vector<TrafficEntry> traffic;
    std::vector<CommandRecord> commands;
    std::vector<PK::AlertRecord> alerts;
    std::vector<PK::DialogRecord> dialogs;
    std::vector<std::vector<QB::Guid>> zooms;
    std::vector<ReportLine> reports;
    std::vector<std::string> logLines; // the host's debug output, with the simulator's notes
    std::vector<AddonLogLine> addonLog;
    // The host functions the step called and how often, most called first.
    std::vector<std::pair<HostFunction, std::size_t>> calls;
    std::size_t callTotal = 0;
    std::chrono::milliseconds elapsed{0};
};

} // namespace VantrelSim::Tool
