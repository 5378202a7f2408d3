#include "Run/RunSession.hpp"

#include "Run/DebugCapture.hpp"
#include "Run/ProjectRefs.hpp"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <string_view>
#include <utility>

namespace VantrelSim::Tool {

namespace {

constexpr std::string_view StatePrefix = "window.ardoTesselState && window.ardoTesselState.";

std::string Title(const std::string& html) {
    const std::size_t begin = html.find("<title>");
    const std::size_t end = html.find("</title>");
    if (begin == std::string::npos || end == std::string::npos || end < begin) {
        return {};
    }
    return html.substr(begin + 7, end - begin - 7);
}

std::string ReportedFunctionOf(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

// "[26-01-02 10:11:12.345] [ArdoTesselConnect] [warning] [Model\X.cpp:12] (Fn) text" ->
// "warning: text (Model\X.cpp:12)"; nullopt for lines below warnings.
std::optional<std::string> Notable(const std::string& line) {
    for (const std::string_view level : {"warning", "error", "critical"}) {
        const std::string tag = fmt::format("] [{}] [", level);
        const std::size_t at = line.find(tag);
        if (at == std::string::npos) {
            continue;
        }
        const std::size_t placeEnd = line.find("] ", at + tag.size());
        const std::size_t functionEnd = placeEnd == std::string::npos ? placeEnd : line.find(") ", placeEnd);
        if (functionEnd == std::string::npos) {
            return fmt::format("{}: {}", level, line.substr(at + tag.size()));
        }
        return fmt::format("{}: {} ({})", level, line.substr(functionEnd + 2),
                           line.substr(at + tag.size(), placeEnd - at - tag.size()));
    }
    return std::nullopt;
}

std::string AnswerText(const PK::AlertRecord& alert) {
    const std::size_t index = static_cast<std::size_t>(alert.answer);
    return alert.answer >= 1 && index <= alert.buttons.size()
               ? fmt::format("\"{}\"", alert.buttons[index - 1].ToUtf8())
               : fmt::format("button {}", alert.answer);
}

// The window line, then one part per roll panel (each from its "roll panel" line on).
std::vector<std::string> RenderingParts(const std::string& rendering) {
    std::vector<std::string> parts;
    std::size_t begin = 0;
    while (begin < rendering.size()) {
        std::size_t end = begin;
        do {
            end = rendering.find('\n', end);
            end = end == std::string::npos ? rendering.size() : end + 1;
        } while (end < rendering.size() &&
                 !std::string_view(rendering).substr(end).starts_with("  roll panel "));
        parts.push_back(rendering.substr(begin, end - begin));
        begin = end;
    }
    return parts;
}

} // namespace

void RunSession::Report(const StepRecord& record, const StepMarks& marks) {
    Transcript& out = *_transcript;
    std::string lastLoad;
    for (const TrafficEntry& entry : record.traffic) {
        if (entry.kind == TrafficEntry::Kind::Load && entry.name == "url") {
            lastLoad = entry.text;
        }
        switch (entry.kind) {
        case TrafficEntry::Kind::PageCall: {
            std::string answer = !entry.answer           ? std::string("no answer yet")
                                 : entry.refused         ? "rejected: " + *entry.answer
                                 : entry.answer->empty() ? std::string("nothing")
                                                         : *entry.answer;
            out.Line(fmt::format("page -> add-on: {}({})  answered: {}", ReportedFunctionOf(entry.name),
                                 entry.text, answer),
                     2);
            break;
        }
        case TrafficEntry::Kind::Script:
            // The call follows the add-on's check of the page's origin.
            if (const std::size_t call = entry.text.find(StatePrefix); call != std::string::npos) {
                out.Line(fmt::format("add-on -> page: {}", entry.text.substr(call + StatePrefix.size())), 2);
            } else if (entry.refused) {
                out.Line("the page refused a script of the add-on", 2);
            }
            break;
        case TrafficEntry::Kind::Load:
            if (entry.name == "url") {
                out.Line("browser loads " + entry.text, 2);
            } else if (entry.name == "html") {
                const std::string title = Title(entry.text);
                out.Line(title.empty() ? "browser shows a page of the add-on"
                                       : fmt::format("browser shows \"{}\"", title),
                         2);
            } else {
                out.Line("browser reloads " + entry.text, 2);
            }
            break;
        case TrafficEntry::Kind::PageDialog:
            out.Line(fmt::format("page {}: \"{}\"", entry.name, entry.text), 2);
            break;
        case TrafficEntry::Kind::UrlChanged:
            if (entry.text.starts_with("chrome-error:")) {
                out.Line("browser: the page failed to load", 2);
            } else if (entry.text != lastLoad && entry.text != "about:blank" &&
                       !entry.text.starts_with("https://pk-browser.invalid/")) {
                // The page went there by itself (the offline page going back online, a link).
                out.Line("page went to " + entry.text, 2);
            }
            break;
        }
    }
    for (const CommandRecord& command : record.commands) {
        if (command.nested) {
            continue;
        }
        if (command.result != NoError) {
            out.Line(fmt::format("command \"{}\" failed ({:#010x}) and was rolled back",
                                 command.name.ToUtf8(), static_cast<std::uint32_t>(command.result)),
                     2);
        } else {
            out.Line(
                fmt::format("{} \"{}\"", command.undoable ? "undo step" : "command", command.name.ToUtf8()),
                2);
        }
    }
    for (const PK::DialogRecord& dialog : record.dialogs) {
        out.Line(fmt::format("dialog {} \"{}\": {}", dialog.dialogId, dialog.title.ToUtf8(),
                             dialog.response == PK::ModalResponse::Accept ? "accepted" : "cancelled"),
                 2);
        if (!dialog.closedView.empty()) {
            out.Block(dialog.closedView, 6);
        }
    }
    for (const PK::AlertRecord& alert : record.alerts) {
        out.Line(fmt::format("alert {} \"{}\"", alert.alertId, alert.title.ToUtf8()), 2);
        out.Line(fmt::format("\"{}\"", alert.largeText.ToUtf8()), 6);
        if (!alert.smallText.IsEmpty()) {
            out.Line(fmt::format("\"{}\"", alert.smallText.ToUtf8()), 6);
        }
        std::vector<std::string> buttons;
        for (const QB::UniString& button : alert.buttons) {
            buttons.push_back(button.ToUtf8());
        }
        out.Line(fmt::format("buttons: {}; answered {}", fmt::join(buttons, ", "), AnswerText(alert)), 6);
    }
    const std::optional<ProjectRefs> refs =
        _host.HasProject() ? std::optional<ProjectRefs>(std::in_place, _host.GetProject()) : std::nullopt;
    const auto names = [&](const std::vector<QB::Guid>& guids) {
        std::vector<std::string> list;
        for (const QB::Guid& guid : guids) {
            list.push_back(refs ? refs->NameOf(guid) : guid.ToString());
        }
        return list.empty() ? std::string("nothing") : fmt::format("{}", fmt::join(list, ", "));
    };
    for (const auto& zoom : record.zooms) {
        out.Line("zoomed to " + names(zoom), 2);
    }
    if (_host.HasProject() && _host.SelectedElements() != marks.selection) {
        out.Line("selection: " + names(_host.SelectedElements()), 2);
    }
    for (const std::string& note : std::exchange(_progressNotes, {})) {
        out.Line(note, 2);
    }
    for (const ReportLine& report : record.reports) {
        out.Line(fmt::format("host report{}: {}", report.withDialog ? " (with a dialog)" : "",
                             report.text.ToUtf8()),
                 2);
    }
    // The simulator's notes (host faults, other users acting) in order among the add-on's lines.
    for (const std::string& line : record.logLines) {
        if (line.starts_with(DebugCapture::NotePrefix)) {
            out.Line(line.substr(DebugCapture::NotePrefix.size()), 2);
        } else if (const auto notable = Notable(line)) {
            out.Line("add-on log " + *notable, 2);
        }
    }
    if (record.callTotal > 0) {
        std::vector<std::string> calls;
        for (const auto& [function, count] : record.calls) {
            calls.push_back(fmt::format("{} {}", HostFunctionName(function), count));
        }
        out.Line(fmt::format("cost: {} host call{}, {} ms", record.callTotal,
                             record.callTotal == 1 ? "" : "s", record.elapsed.count()),
                 2);
        out.Line(fmt::format("{}", fmt::join(calls, ", ")), 6);
    }
    ReportPalette();
}

void RunSession::ReportPalette() {
    const std::string rendering = _palette.Render();
    if (rendering == _lastPalette) {
        return;
    }
    const std::vector<std::string> before = RenderingParts(_lastPalette);
    const std::vector<std::string> after = RenderingParts(rendering);
    _lastPalette = rendering;
    Transcript& out = *_transcript;
    if (rendering.empty()) {
        out.Line("palette: closed", 2);
        return;
    }
    // Only what changed: the window line and the roll panels whose rendering is new.
    out.Line(before.empty() ? "palette:" : "palette (changed parts):", 2);
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (i >= before.size() || before[i] != after[i] || before.size() != after.size()) {
            out.Block(after[i], 4);
        }
    }
    if (_palette.FindPalette()->GetPanels().GetPanel(4) == nullptr) {
        return;
    }
    const std::vector<ListRowView> issues = PaletteView::Rows(_palette.RequirePage("issues"));
    out.Line(fmt::format("issues: {}", issues.size()), 2);
    for (const ListRowView& issue : issues) {
        out.Line(fmt::format("{}: {}", issue.icon.empty() ? "issue" : issue.icon, issue.text), 4);
    }
}

} // namespace VantrelSim::Tool
