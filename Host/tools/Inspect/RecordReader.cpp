#include "RecordReader.hpp"

#include "AddonSession.hpp"
#include "TracingChannel.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/Errors.hpp"
#include "Model/Issue/UnknownError.hpp"
#include "Model/PlanData.hpp"
#include "Vantrel/Api/Error/ErrorCodes.hpp"
#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"

#include <QB/Channel.hpp>
#include <QB/Object.hpp>

#include <fmt/format.h>

#include <span>
#include <string_view>

namespace VantrelSim::Inspect {

namespace {

using TesselConnect::Model::ConnectionWithSpecification;

// Guid, main and minor version, body length.
constexpr std::size_t FrameHeaderSize = 16 + 2 + 2 + 4;

// The add-on's words for a broken issue collection, which it replaces by one unknown-error issue.
constexpr std::string_view IssuesReadErrorPrefix = "Issue::Collection read error: ";

// Which stored class a newer add-on wrote. The add-on refuses a newer frame right after reading
// its header, so the header ends where reading stopped.
std::string DescribeNewerFrame(std::span<const std::byte> data, QB::Protocol protocol, std::size_t reached) {
    if (reached >= FrameHeaderSize) {
        TracingChannel ic(data, protocol);
        ic.Skip(reached - FrameHeaderSize);
        const QB::InputFrame frame(ic);
        const QB::ClassInfo* known = QB::ClassManager::Instance().Find(frame.GetClassId());
        if (frame.GetStatus() == QB::NoError && known != nullptr &&
            frame.GetMainVersion() > known->GetMainVersion()) {
            return fmt::format("{} version {}.{}, this add-on reads version {}", known->GetName(),
                               frame.GetMainVersion(), frame.GetMinorVersion(), known->GetMainVersion());
        }
    }
    return "a part of it";
}

ReadFailure NewerVersion(std::span<const std::byte> data, QB::Protocol protocol, std::size_t reached) {
    return {true, reached, DescribeNewerFrame(data, protocol, reached)};
}

// The issue collection was replaced while reading when the add-on logged the failure just now;
// an unknown-error issue with those words that was stored earlier is only an issue.
std::optional<ReadFailure> ReplacedIssues(const ConnectionWithSpecification& conn,
                                          const std::vector<LoggedLine>& logged,
                                          std::span<const std::byte> data, QB::Protocol protocol,
                                          std::size_t reached) {
    const auto& issues = conn.GetIssueCollection().GetIssues();
    if (issues.GetSize() != 1) {
        return std::nullopt;
    }
    const auto* unknown = dynamic_cast<const TesselConnect::Model::Issue::UnknownError*>(issues[0].get());
    if (unknown == nullptr || !unknown->GetHint().ToUtf8().starts_with(IssuesReadErrorPrefix)) {
        return std::nullopt;
    }
    const std::string why = unknown->GetHint().ToUtf8().substr(IssuesReadErrorPrefix.size());
    const std::string loggedText = why == "unknown" ? "unknown exception type" : why;
    bool justNow = false;
    for (const LoggedLine& line : logged) {
        justNow = justNow || (line.error && line.text == loggedText);
    }
    if (!justNow) {
        return std::nullopt;
    }
    if (why == TesselConnect::Model::Error::VersionIncompatibility().what()) {
        return NewerVersion(data, protocol, reached);
    }
    return ReadFailure{false, reached, why};
}

} // namespace

std::string DescribeStatus(unsigned status) {
    const auto code = static_cast<QB::ErrCode>(status);
    std::string_view text;
    switch (code) {
    case QB::ErrorEndOfInput:
        text = "the data end before the record does";
        break;
    case QB::ErrorCorruptedData:
        text = "a length or value that does not fit: the data are cut off or damaged";
        break;
    case QB::ErrorFrameMismatch:
        text = "a stored object of another class than expected";
        break;
    case QB::ErrorUnknownProtocol:
        text = "a byte order the core library does not know";
        break;
    case QB::ErrorTooLarge:
        text = "a length too large for the encoding";
        break;
    default:
        text = TesselConnect::Api::GetErrorNameOrUnknown(code);
        break;
    }
    return fmt::format("{} (0x{:08X})", text, code);
}

ConnectionRead ReadConnectionRecord(AddonSession& session, const API_ModulData& record) {
    ConnectionRead result;
    if (record.dataHdl.empty()) {
        result.failure = ReadFailure{false, 0, "it holds no data, so the add-on does not see the connection"};
        return result;
    }
    const QB::Protocol protocol =
        TesselConnect::Api::ModulDataWrapper::ProtocolForPlatformSign(record.platformSign);
    const std::span<const std::byte> data(record.dataHdl);
    std::shared_ptr<ConnectionWithSpecification> conn = session.NewConnection();
    TracingChannel ic(data, protocol);
    session.TakeLog();
    try {
        if (const QB::ErrCode status = conn->Read(ic); status != QB::NoError) {
            result.failure = ReadFailure{false, ic.GetReachedOffset(), DescribeStatus(status)};
            return result;
        }
    } catch (const TesselConnect::Model::Error::VersionIncompatibility&) {
        result.failure = NewerVersion(data, protocol, ic.GetReachedOffset());
        return result;
    } catch (const std::exception& e) {
        result.failure = ReadFailure{false, ic.GetReachedOffset(), e.what()};
        return result;
    } catch (...) {
        result.failure = ReadFailure{false, ic.GetReachedOffset(), "unknown exception"};
        return result;
    }
    result.issuesFailure = ReplacedIssues(*conn, session.TakeLog(), data, protocol, ic.GetReachedOffset());
    result.connection = std::move(conn);
    return result;
}

PlanDataRead ReadPlanDataContent(AddonSession& session, const API_DataBlock& content) {
    PlanDataRead result;
    if (content.empty()) {
        result.failure = ReadFailure{false, 0, "it holds no data"};
        return result;
    }
    // The plan data carries no platform sign: the add-on reads it with its own protocol.
    TracingChannel ic(std::span<const std::byte>(content), QB::PlatformProtocol);
    const auto planData = session.NewPlanData();
    try {
        if (const QB::ErrCode status = planData->Read(ic); status != QB::NoError) {
            result.failure = ReadFailure{false, ic.GetReachedOffset(), DescribeStatus(status)};
            return result;
        }
    } catch (const TesselConnect::Model::Error::VersionIncompatibility&) {
        result.failure = NewerVersion(content, QB::PlatformProtocol, ic.GetReachedOffset());
        return result;
    } catch (const std::exception& e) {
        result.failure = ReadFailure{false, ic.GetReachedOffset(), e.what()};
        return result;
    }
    result.id = planData->GetId().ToUtf8();
    return result;
}

} // namespace VantrelSim::Inspect
