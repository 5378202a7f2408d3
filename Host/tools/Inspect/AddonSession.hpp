#pragma once

// The add-on's own code at work on one project, without the add-on library: a simulated host
// holding a copy of the project, the add-on's host interface over that host's function table,
// its resource texts (issue texts), and its log caught instead of printed.
//
// One session at a time per process (the add-on's function table and default logger are
// process-wide); the session puts back what it found there when it ends. Main thread only.
// Nothing here changes the project file: the host works on its own copy, and the inspection
// only asks.

#include <VantrelSim/Host.hpp>
#include <VantrelSim/Project.hpp>

#include <VNAPI/VNAPI.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace spdlog {
class logger;
}

namespace TesselConnect::Api {
class Vantrel;
}

namespace TesselConnect::Model {
class ConnectionWithSpecification;
class PlanData;
class TesselPtr;
} // namespace TesselConnect::Model

namespace VantrelSim::Inspect {

struct LoggedLine {
    bool error = false; // error or critical; otherwise a warning
    std::string text;
};

class AddonSession {
public:
    explicit AddonSession(Project project);
    ~AddonSession();
    AddonSession(const AddonSession&) = delete;
    AddonSession& operator=(const AddonSession&) = delete;

    const Project& GetProject() const { return _host.GetProject(); }
    TesselConnect::Api::Vantrel& GetVantrel() const { return *_vantrel; }

    // An empty connection of this session, to read a record into (as the add-on's loading does).
    std::shared_ptr<TesselConnect::Model::ConnectionWithSpecification> NewConnection() const;
    std::shared_ptr<TesselConnect::Model::PlanData> NewPlanData() const;

    // What the add-on logged at warning level or above since the last call.
    std::vector<LoggedLine> TakeLog();

private:
    class LogSink;

    Host _host;
    std::shared_ptr<TesselConnect::Api::Vantrel> _vantrel;
    std::shared_ptr<TesselConnect::Model::TesselPtr> _tesselPtr;
    std::shared_ptr<TesselConnect::Model::PlanData> _planData;
    std::shared_ptr<LogSink> _sink;
    std::shared_ptr<spdlog::logger> _previousLogger;
    std::optional<VNAPI_FunctionTable> _previousTable;
    VNAPI_Token _previousToken = nullptr;
};

} // namespace VantrelSim::Inspect
