#include "Run/RunSession.hpp"

#include "Base64.hpp"
#include "Pictures/PaletteHtml.hpp"

#include <PK/ChromiumBrowserBackend.hpp>
#include <PK/Rendering.hpp>

#include <QB/Resource.hpp>
#include <QB/Runnable.hpp>

#include <fmt/format.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>

namespace VantrelSim::Tool {

namespace {

using namespace std::chrono_literals;

// Listens to a browser that only draws: it notices when its page has loaded and refuses calls.
class DrawingClient final : public PK::BrowserBackendClient {
public:
    void BackendURLChanged(const QB::UniString&) override {}
    void BackendLoadingStateChanged(bool isLoading) override { loaded = !isLoading; }
    void BackendJSCall(const PK::JSCall&, PK::JSCallReply reply) override {
        reply(PK::JSCallResult::Reject("nothing answers here"));
    }
    PK::JSDialogAnswer BackendJSDialog(const PK::JSDialog&) override { return {}; }

    bool loaded = false;
};

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QB::MessageLoop& loop = QB::MessageLoop::Instance();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        loop.WaitForTasks(50ms);
        loop.RunPending();
    }
    return true;
}

// Draws an HTML text in a browser of its own, at the given size, into a PNG file.
std::string RenderHtmlToPng(const std::string& html, int width, int height,
                            const std::filesystem::path& executable,
                            const std::filesystem::path& temporaryRoot, const std::filesystem::path& png) {
    PK::ChromiumOptions options;
    options.executable = executable;
    options.temporaryRoot = temporaryRoot;
    options.viewportWidth = width;
    options.viewportHeight = height;
    try {
        PK::ChromiumBrowserBackend browser({}, options);
        DrawingClient client;
        browser.Attach(&client);
        browser.LoadHTML(QB::UniString(html));
        if (!RunUntil([&] { return client.loaded && !browser.IsLoading(); }, 20s)) {
            browser.Attach(nullptr);
            return "the picture did not load in time";
        }
        std::optional<PK::ScreenshotResult> shot;
        browser.CaptureScreenshot([&](const PK::ScreenshotResult& result) { shot = result; });
        const bool taken = RunUntil([&] { return shot.has_value(); }, 20s);
        browser.Attach(nullptr);
        if (!taken || !shot->succeeded) {
            return taken ? "no screenshot: " + shot->error.ToUtf8() : std::string("no screenshot in time");
        }
        std::ofstream file(png, std::ios::binary);
        file.write(reinterpret_cast<const char*>(shot->png.data()),
                   static_cast<std::streamsize>(shot->png.size()));
        return file ? std::string() : png.string() + ": cannot be written";
    } catch (const PK::ChromiumStartError& error) {
        return std::string("Chromium did not start: ") + error.what();
    }
}

std::string DataUrl(const std::filesystem::path& png) {
    std::ifstream file(png, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    const std::string text = bytes.str();
    API_DataBlock data(text.size());
    std::memcpy(data.data(), text.data(), text.size());
    return "data:image/png;base64," + EncodeBase64(data);
}

} // namespace

void RunSession::TakeShots(const std::string& name) {
    const std::filesystem::path folder = *_options.shots;
    std::filesystem::create_directories(folder);
    Transcript& out = *_transcript;

    const std::filesystem::path pagePng = folder / (name + "-page.png");
    std::string why;
    const bool pageShot = _page->Screenshot(pagePng, why);
    if (pageShot) {
        ++_shots;
        out.Line("picture of the page: " + pagePng.string(), 2);
    } else {
        out.Line("no picture of the page: " + why, 2);
    }

    PX::RollDownPalette* palette = _palette.FindPalette();
    if (palette == nullptr) {
        out.Line("no picture of the palette: it is not open", 2);
        return;
    }
    const QB::ResModule module = QB::FindResourceModule(_loader->LibraryPath().string());
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
    if (pageShot) {
        inputs.pageImage = DataUrl(pagePng);
    }
    const PaletteHtml drawn = DrawPaletteHtml(inputs);
    const std::filesystem::path html = folder / (name + "-palette.html");
    std::ofstream(html, std::ios::binary) << drawn.html;
    if (!std::filesystem::exists(_options.chromium)) {
        out.Line("picture of the palette as HTML (no Chromium to draw a PNG): " + html.string(), 2);
        return;
    }
    const std::filesystem::path png = folder / (name + "-palette.png");
    std::filesystem::create_directories(_options.outDir / "chromium");
    const std::string failure = RenderHtmlToPng(drawn.html, drawn.width, drawn.height, _options.chromium,
                                                _options.outDir / "chromium", png);
    if (failure.empty()) {
        ++_shots;
        out.Line("picture of the palette: " + png.string(), 2);
    } else {
        out.Line(fmt::format("no picture of the palette ({}); its HTML: {}", failure, html.string()), 2);
    }
}

} // namespace VantrelSim::Tool
