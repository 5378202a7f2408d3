#include "AddonSession.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"
#include "Util/Resource/OwnModule.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <spdlog/sinks/base_sink.h>
#include <spdlog/spdlog.h>

#include <mutex>
#include <utility>

namespace VantrelSim::Inspect {

namespace HostFunctions = TesselConnect::Implementation::HostFunctions;

// Keeps what the add-on logs for the inspection to look at; nothing reaches the terminal, where
// it would mix with the report.
class AddonSession::LogSink final : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
public:
    std::vector<LoggedLine> Take() { return std::exchange(_lines, {}); }

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override {
        _lines.push_back(
            {msg.level >= spdlog::level::err, std::string(msg.payload.data(), msg.payload.size())});
    }
    void flush_() override {}

private:
    std::vector<LoggedLine> _lines;
};

AddonSession::AddonSession(Project project)
    : _vantrel(std::make_shared<TesselConnect::Implementation::Vantrel>()),
      _tesselPtr(std::make_shared<TesselConnect::Model::TesselPtr>()),
      _planData(std::make_shared<TesselConnect::Model::PlanData>(_vantrel)),
      _sink(std::make_shared<LogSink>()), _previousLogger(spdlog::default_logger()) {
    if (HostFunctions::IsReceived()) {
        _previousTable = HostFunctions::Get();
        _previousToken = HostFunctions::GetToken();
    }
    auto logger = std::make_shared<spdlog::logger>("inspect", _sink);
    logger->set_level(spdlog::level::warn);
    spdlog::set_default_logger(std::move(logger));

    HostFunctions::Set(_host.FunctionTable());
    HostFunctions::SetToken(_host.Token());
    _host.SetAddonResModule(TesselConnect::Util::Resource::RegisterOwnResourceModule());
    _host.OpenProject(std::move(project));
}

AddonSession::~AddonSession() {
    if (_previousTable.has_value()) {
        HostFunctions::Set(*_previousTable);
        HostFunctions::SetToken(_previousToken);
    } else {
        HostFunctions::Clear();
    }
    spdlog::set_default_logger(_previousLogger);
}

std::shared_ptr<TesselConnect::Model::ConnectionWithSpecification> AddonSession::NewConnection() const {
    return std::make_shared<TesselConnect::Model::ConnectionWithSpecification>(_vantrel, _tesselPtr,
                                                                               _planData);
}

std::shared_ptr<TesselConnect::Model::PlanData> AddonSession::NewPlanData() const {
    return std::make_shared<TesselConnect::Model::PlanData>(_vantrel);
}

std::vector<LoggedLine> AddonSession::TakeLog() {
    return _sink->Take();
}

} // namespace VantrelSim::Inspect
