#pragma once

// What one step did, gathered from the host's, the dialog library's and the page's recordings:
// the marks are where each recording stood before the step, the record what came after.

#include "PageTraffic.hpp"

#include <VantrelSim/Host.hpp>

#include <PK/InteractionRecord.hpp>

#include <cstddef>
#include <string>
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
    std::vector<QB::Guid> selection;
};

// What a step did, gathered once for the report and the checks.
struct StepRecord {
    std::vector<TrafficEntry> traffic;
    std::vector<CommandRecord> commands;
    std::vector<PK::AlertRecord> alerts;
    std::vector<PK::DialogRecord> dialogs;
    std::vector<std::vector<QB::Guid>> zooms;
    std::vector<ReportLine> reports;
    std::vector<std::string> logLines;
};

} // namespace VantrelSim::Tool
