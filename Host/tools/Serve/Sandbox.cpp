#include "Serve/Sandbox.hpp"

#include "Json.hpp"
#include "Page/PageDriver.hpp"
#include "Page/WebAppData.hpp"
#include "Pictures/PaletteHtml.hpp"
#include "Run/PaletteView.hpp"
#include "Run/StepFailure.hpp"
#include "Scenario/ScenarioReader.hpp"

#include <VantrelSim/Host.hpp>

#include <PK/Rendering.hpp>

#include <QB/Resource.hpp>

#include <fmt/format.h>

#include <chrono>
#include <fstream>
#include <sstream>

namespace VantrelSim::Tool {

namespace {

using namespace std::chrono_literals;
using Writer = Json::Writer<Json::StringBuffer>;

// The settle between waits also moves the page along (a real browser reports asynchronously).
constexpr auto WaitBetweenSettles = 40ms;

// The panels as steps name them, in the order the palette stacks them.
constexpr const char* SandboxPanelNames[] = {"browser", "clauses", "disassociated", "issues"};

void ReplyString(Writer& writer, const std::string& text) {
    writer.String(text.c_str(), static_cast<Json::SizeType>(text.size()));
}

std::string ErrorJson(const std::string& message) {
    Json::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("error");
    ReplyString(writer, message);
    writer.EndObject();
    return buffer.GetString();
}

Reply Error(int status, const std::string& message) {
    return Reply{status, ErrorJson(message)};
}

void Fulfil(const ReplySlot& slot, Reply reply) {
    try {
        slot->set_value(std::move(reply));
    } catch (const std::future_error&) {
    }
}

// A file name of the output folder, never a way out of it.
bool PlainFileName(const std::string& name) {
    return !name.empty() && name.size() <= 200 && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos && name != "." && name != ".." && name.front() != '.';
}

} // namespace

Sandbox::Sandbox(MainQueue& queue, SandboxOptions options)
    : _queue(queue), _options(std::move(options)), _recorder(_options.scenarioFile) {}

Sandbox::~Sandbox() {
    if (_person) {
        // Only while this sandbox's responder is still the one installed.
        if (auto current = PK::SetUserResponder(_previousResponder); current != _person) {
            PK::SetUserResponder(current);
        }
    }
}

void Sandbox::Attach(const LiveRun& live) {
    _host = &live.host;
    _palette = &live.palette;
    _page = &live.page;
    _webApp = &live.webApp;
    _addonRunning = live.addonRunning;
    if (_person) {
        return;
    }
    std::shared_ptr<PK::UserResponder> current = PK::SetUserResponder(nullptr);
    auto scenario = std::dynamic_pointer_cast<ScenarioResponder>(current);
    if (!scenario) {
        // Not the run's responder: leave it, and let the step's answers alone decide.
        PK::SetUserResponder(current);
        return;
    }
    _previousResponder = current;
    _person = std::make_shared<PersonResponder>(
        scenario, [this](const std::string& question) { return Ask(question); });
    PK::SetUserResponder(_person);
    _rows.Rebuild(*_host);
}

std::optional<Step> Sandbox::Next(const LiveRun& live) {
    Attach(live);
    while (!_quit) {
        if (_quitRequested) {
            _quit = true;
            break;
        }
        try {
            live.settle();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "vantrel-sim serve: between steps: %s\n", error.what());
        }
        _queue.RunFor(WaitBetweenSettles);
        if (_pending) {
            _running = std::move(_pending);
            _pending.reset();
            if (_person) {
                _person->StartStep(_running->step.answers);
            }
            return _running->step;
        }
    }
    return std::nullopt;
}

bool Sandbox::Ran(const Step& step, const StepOutcome& outcome) {
    if (!_running) {
        return !_quit;
    }
    // A step that could not be carried out is not kept: a replay would stop at it, and the
    // person's next step would never run.
    if (!outcome.stopped) {
        _recorder.Add(_running->json, _person ? _person->AnswersUsed() : step.answers);
    }
    if (_host != nullptr) {
        _rows.Rebuild(*_host);
    }
    Json::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("step");
    writer.Uint64(step.number);
    writer.Key("stopped");
    writer.Bool(outcome.stopped);
    writer.Key("failures");
    writer.StartArray();
    for (const std::string& failure : outcome.failures) {
        ReplyString(writer, failure);
    }
    writer.EndArray();
    writer.Key("recorded");
    if (outcome.stopped) {
        writer.Null();
        writer.Key("warning");
        writer.String("the step could not be carried out, so it is not recorded");
    } else {
        ReplyString(writer, _recorder.Last());
    }
    writer.EndObject();
    Fulfil(_running->slot, Reply{200, buffer.GetString()});
    _running.reset();
    return !_quit;
}

std::optional<Answer> Sandbox::Ask(const std::string& question) {
    if (!_running) {
        // Work left over between steps is no step of the person's: a replay could not give the
        // answer at the same place, so the careful default answers it.
        std::fprintf(stderr, "vantrel-sim serve: answered by default between steps: %s\n", question.c_str());
        return std::nullopt;
    }
    _question = question;
    _answer.reset();
    while (!_answer && !_quit && !_quitRequested) {
        _queue.RunFor(WaitBetweenSettles);
    }
    _question.reset();
    return std::exchange(_answer, std::nullopt);
}

// ---- Actions ---------------------------------------------------------------------------------

void Sandbox::PostStep(const std::string& body, const ReplySlot& slot) {
    if (_quit) {
        Fulfil(slot, Error(503, "the sandbox is shutting down"));
        return;
    }
    if (_running || _pending) {
        Fulfil(slot, Error(409, _question ? "answer the open alert or dialog first"
                                          : "a step is running; wait for its result"));
        return;
    }
    const std::size_t number = _recorder.Count() + 1;
    try {
        Step step = ReadStepJson(body, number, _options.scenarioFile);
        _pending = Pending{std::move(step), body, slot};
    } catch (const ScenarioError& error) {
        Fulfil(slot, Error(400, error.what()));
    }
}

Reply Sandbox::PostAnswer(const std::string& body) {
    if (!_question) {
        return Error(409, "no alert or dialog is waiting for an answer");
    }
    // The answer is read as a step's "answers" reads it: one vocabulary with scenarios.
    std::vector<Tool::Answer> answers;
    try {
        answers = ReadStepJson(fmt::format(R"({{"do": "check", "answers": [{}]}})", body),
                               _recorder.Count() + 1, _options.scenarioFile)
                      .answers;
    } catch (const ScenarioError& error) {
        return Error(400, error.what());
    }
    const bool alert = _question->find(R"("kind":"alert")") != std::string::npos;
    if (answers.size() != 1 || (alert ? !std::holds_alternative<AlertAnswer>(answers.front())
                                      : !std::holds_alternative<SystemChoice>(answers.front()))) {
        return Error(400, alert ? "an alert is answered with {\"button\": number or text}"
                                : "the dialog is answered with {\"chooseSystem\": number or text} or "
                                  "{\"cancelDialog\": true}");
    }
    _answer = answers.front();
    return Reply{200, R"({"answered":true})"};
}

Reply Sandbox::PostExpect(const std::string& body) {
    if (_running) {
        return Error(409, "a step is running; pin expectations once it ran");
    }
    if (const auto refused = _recorder.Pin(body)) {
        return Error(400, *refused);
    }
    Json::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("recorded");
    ReplyString(writer, _recorder.Last());
    writer.EndObject();
    return Reply{200, buffer.GetString()};
}

Reply Sandbox::PostSave(const std::string& body) {
    Json::Document request;
    request.Parse(body.c_str(), body.size());
    std::string file = "recorded.scenario.json";
    if (request.HasParseError() || !request.IsObject()) {
        return Error(400, "send {\"file\": \"name.scenario.json\"}");
    }
    if (request.HasMember("file")) {
        if (!request["file"].IsString() || !PlainFileName(request["file"].GetString())) {
            return Error(400, "\"file\" must be a plain file name (it goes into the output folder)");
        }
        file = request["file"].GetString();
    }
    if (!file.ends_with(".json")) {
        file += ".scenario.json";
    }
    const std::filesystem::path path = _options.outDir / file;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << _recorder.ScenarioJson("recorded in the sandbox", _options.project);
    out.close();
    if (!out) {
        return Error(500, "cannot write " + path.string());
    }
    Json::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("path");
    ReplyString(writer, std::filesystem::absolute(path).string());
    writer.Key("steps");
    writer.Uint64(_recorder.Count());
    writer.EndObject();
    return Reply{200, buffer.GetString()};
}

Reply Sandbox::Quit() {
    _quit = true;
    return Reply{200, R"({"quitting":true})"};
}

// ---- What the panes show ---------------------------------------------------------------------

Reply Sandbox::State() const {
    Json::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("steps");
    writer.Uint64(_recorder.Count());
    writer.Key("running");
    writer.Bool(_running.has_value());
    writer.Key("browser");
    ReplyString(writer, _options.browser);
    writer.Key("question");
    if (_question) {
        writer.RawValue(_question->c_str(), _question->size(), Json::kObjectType);
    } else {
        writer.Null();
    }
    writer.EndObject();
    return Reply{200, buffer.GetString()};
}

Reply Sandbox::Palette() const {
    PX::RollDownPalette* palette = _palette != nullptr ? _palette->FindPalette() : nullptr;
    if (palette == nullptr) {
        return Reply{200, R"({"open":false})"};
    }
    const QB::ResModule module = QB::FindResourceModule(_options.addon.string());
    PaletteHtmlInputs inputs;
    inputs.layoutJson = PK::ExportLayoutJson(*palette);
    inputs.icon = [module](unsigned id) -> std::optional<std::string> {
        const auto icon = QB::GetResourceIcon(module, id);
        const QB::ResourceIconImage* image = icon ? icon->ImageFor(96) : nullptr;
        if (image == nullptr || image->format != QB::ImageFormat::Svg) {
            return std::nullopt;
        }
        return std::string(image->data.begin(), image->data.end());
    };
    const PaletteHtml drawn = DrawPaletteHtml(inputs);
    Json::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("open");
    writer.Bool(true);
    writer.Key("html");
    ReplyString(writer, drawn.html);
    writer.Key("width");
    writer.Int(drawn.width);
    writer.Key("height");
    writer.Int(drawn.height);
    writer.Key("panels");
    writer.StartArray();
    for (const char* name : SandboxPanelNames) {
        writer.String(name);
    }
    writer.EndArray();
    writer.Key("layout");
    writer.RawValue(inputs.layoutJson.c_str(), inputs.layoutJson.size(), Json::kObjectType);
    writer.EndObject();
    return Reply{200, buffer.GetString()};
}

Reply Sandbox::Project(std::size_t offset, std::size_t count) const {
    if (_host == nullptr) {
        return Error(503, "the host is starting");
    }
    return Reply{200, _rows.PageJson(*_host, offset, count)};
}

Reply Sandbox::Names(std::size_t offset, std::size_t count, const std::string& type) const {
    if (_host == nullptr) {
        return Error(503, "the host is starting");
    }
    const std::vector<std::string> names =
        type.empty() ? _rows.Names(*_host, offset, count) : _rows.NamesOfType(*_host, type);
    Json::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartArray();
    for (const std::string& name : names) {
        ReplyString(writer, name);
    }
    writer.EndArray();
    return Reply{200, buffer.GetString()};
}

Reply Sandbox::WebApp() const {
    if (_webApp == nullptr) {
        return Error(503, "the host is starting");
    }
    Json::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("browser");
    ReplyString(writer, _options.browser);
    writer.Key("specifications");
    writer.StartArray();
    for (const WebAppSpecification& specification : _webApp->Specifications()) {
        writer.StartObject();
        writer.Key("id");
        ReplyString(writer, specification.id);
        writer.Key("title");
        ReplyString(writer, specification.title);
        writer.Key("projectTitle");
        ReplyString(writer, specification.projectTitle);
        writer.Key("classificationType");
        ReplyString(writer, specification.classificationType);
        writer.Key("clauses");
        writer.StartArray();
        for (const WebAppClause& clause : specification.clauses) {
            writer.StartObject();
            writer.Key("id");
            ReplyString(writer, clause.id);
            writer.Key("code");
            ReplyString(writer, clause.code);
            writer.Key("title");
            ReplyString(writer, clause.title);
            writer.EndObject();
        }
        writer.EndArray();
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
    return Reply{200, buffer.GetString()};
}

Reply Sandbox::PagePicture() const {
    if (_page == nullptr) {
        return Error(503, "the host is starting");
    }
    if (_running) {
        // Picturing runs the message loop, which must not run inside a step's open dialog.
        return Error(409, "the page is pictured between steps");
    }
    const std::filesystem::path png = _options.outDir / "sandbox-page.png";
    std::string why;
    if (!_page->Screenshot(png, why)) {
        return Error(404, "no picture of the page: " + why);
    }
    std::ifstream in(png, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return Reply{200, bytes.str(), "image/png"};
}

Reply Sandbox::ScenarioText() const {
    return Reply{200, _recorder.ScenarioJson("recorded in the sandbox", _options.project)};
}

} // namespace VantrelSim::Tool
