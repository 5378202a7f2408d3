// The sandbox's page in a real headless Chromium, used as a person uses it: open the palette,
// connect a specification choosing the classification system in the selector dialog, select
// walls in the project pane, associate a clause in the page pane, and see the classification and
// the properties in the project pane and the clause row in the palette. Leaves a picture of the
// page (sandbox.png in the test's output folder).

#include "SandboxProcess.hpp"

#include <PK/ChromiumBrowserBackend.hpp>
#include <PK/JSValue.hpp>

#include <QB/Runnable.hpp>

#include <fmt/format.h>

#include <cstdlib>
#include <fstream>

namespace SimTest {
namespace {

using namespace std::chrono_literals;

constexpr const char* ChromiumProgram = "/usr/lib/chromium/chromium";

// The person's browser: it only shows the page, which calls nothing of the host.
class PersonClient final : public PK::BrowserBackendClient {
public:
    void BackendURLChanged(const QB::UniString&) override {}
    void BackendLoadingStateChanged(bool isLoading) override { loaded = !isLoading; }
    void BackendJSCall(const PK::JSCall&, PK::JSCallReply reply) override {
        reply(PK::JSCallResult::Reject("nothing answers here"));
    }
    PK::JSDialogAnswer BackendJSDialog(const PK::JSDialog&) override { return {}; }
    bool loaded = false;
};

class SimChromiumSandbox : public ProgramTest {
protected:
    SimChromiumSandbox() : ProgramTest("sim-chromium-sandbox") {}

    void SetUp() override {
        if (!std::filesystem::exists(ChromiumProgram)) {
            GTEST_SKIP() << "no Chromium at " << ChromiumProgram;
        }
        sandbox.emplace(folder,
                        std::vector<std::string>{"--browser", "none", "--out", out.string(), "--quiet"});
        PK::ChromiumOptions options;
        options.temporaryRoot = folder / "chromium";
        options.viewportWidth = 1500;
        options.viewportHeight = 1000;
        std::filesystem::create_directories(options.temporaryRoot);
        browser = std::make_unique<PK::ChromiumBrowserBackend>(PK::BrowserSettings{}, options);
        browser->Attach(&client);
    }

    void TearDown() override {
        if (browser) {
            browser->Attach(nullptr);
            browser.reset();
        }
        if (sandbox) {
            EXPECT_EQ(sandbox->Quit(), 0);
        }
    }

    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 30s) {
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

    // The value of an expression in the page, as text ("" when it has none).
    std::string Evaluate(const std::string& expression) {
        std::optional<PK::ChromiumEvaluation> answer;
        browser->EvaluateInPage(QB::UniString(expression),
                                [&](const PK::ChromiumEvaluation& evaluation) { answer = evaluation; });
        if (!RunUntil([&] { return answer.has_value(); })) {
            ADD_FAILURE() << "the page did not answer: " << expression;
            return {};
        }
        EXPECT_TRUE(answer->succeeded) << expression << ": " << answer->error.ToUtf8();
        const auto value = std::dynamic_pointer_cast<PK::JSValue>(answer->value);
        if (value == nullptr) {
            return {};
        }
        if (value->GetType() == PK::JSValue::STRING) {
            return value->GetString().ToUtf8();
        }
        return value->GetType() == PK::JSValue::BOOL ? (value->GetBool() ? "true" : "false") : "";
    }

    // Waits until the page's condition holds, checking it as the page changes.
    bool WaitFor(const std::string& condition, std::chrono::milliseconds limit = 60s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            const std::string held =
                Evaluate("new Promise((done) => { const t0 = Date.now(); (function check() { let v = false; "
                         "try { v = !!(" +
                         condition +
                         "); } catch (e) {} if (v || Date.now() - t0 > 2000) done(String(v)); else "
                         "setTimeout(check, 50); })(); })");
            if (held == "true") {
                return true;
            }
        }
        return false;
    }

    // Acts in the page and waits for the step's result to be shown.
    void Act(const std::string& script, std::size_t step) {
        Evaluate("(() => { " + script + " })(), true");
        ASSERT_TRUE(WaitFor("document.getElementById('message').textContent.startsWith('step " +
                            std::to_string(step) +
                            " done') && document.getElementById('status').textContent === 'ready'"))
            << script << "\nmessage: " << Evaluate("document.getElementById('message').textContent");
    }

    std::optional<SandboxProcess> sandbox;
    PersonClient client;
    std::unique_ptr<PK::ChromiumBrowserBackend> browser;
};

TEST_F(SimChromiumSandbox, PersonConnectsAssociatesAndSeesTheResultInEveryPane) {
    browser->LoadURL(
        QB::UniString(fmt::format("http://127.0.0.1:{}/?token={}", sandbox->port, sandbox->token)));
    ASSERT_TRUE(WaitFor("document.getElementById('page-spec').options.length > 0 && "
                        "document.querySelector('#rows tbody tr') !== null"));

    Act("document.querySelector('[data-step*=menu]').click();", 1);
    ASSERT_TRUE(WaitFor("document.getElementById('palette-host').shadowRoot.textContent"
                        ".includes('Connect and Navigate')"));

    // Connecting shows the selector dialog as the page's modal window; the person chooses.
    Evaluate("(() => { document.getElementById('page-action').value = 'connect';"
             "document.getElementById('page-spec').value = 'S-2001';"
             "document.getElementById('page-form').requestSubmit(); })(), true");
    ASSERT_TRUE(WaitFor("!document.getElementById('modal').hidden && document.querySelector('#modal .title')"
                        ".textContent.includes('Default Specification Classification')"));
    EXPECT_EQ(Evaluate("document.querySelector('#modal select').options[0].text"),
              "Stand-in Element Classification (2024)");
    Act("document.querySelector('#modal select').value = '1';"
        "document.querySelector('#modal .buttons button:last-child').click();",
        2);

    Act("document.getElementById('page-action').value = 'open'; "
        "document.getElementById('page-form').requestSubmit();",
        3);
    Act("for (const ref of ['EW-01', 'EW-02']) document.querySelector(`#rows "
        "input[value=\"${ref}\"]`).checked = true;"
        "document.getElementById('select-rows').click();",
        4);
    Act("document.getElementById('page-action').value = 'associate';"
        "document.getElementById('page-clause').value = 'C-3001';"
        "document.getElementById('page-form').requestSubmit();",
        5);

    ASSERT_TRUE(
        WaitFor("[...document.querySelectorAll('#rows tr')].some((tr) => tr.textContent.includes('EW-01') && "
                "tr.textContent.includes('Stand-in Element Classification: A10') && "
                "tr.textContent.includes('ArdoTesselCode = A10'))"));
    // The clauses panel is rolled up; the person rolls it out by its header in the palette.
    Act("document.getElementById('palette-host').shadowRoot.querySelector('.header[data-panel=\"2\"]')."
        "click();",
        6);
    EXPECT_TRUE(WaitFor("document.getElementById('palette-host').shadowRoot.textContent"
                        ".includes('A10: Walls (external)')"));
    EXPECT_TRUE(WaitFor("document.getElementById('log').textContent.includes('associationRequested(')"));

    std::optional<PK::ScreenshotResult> shot;
    browser->CaptureScreenshot([&](const PK::ScreenshotResult& result) { shot = result; });
    ASSERT_TRUE(RunUntil([&] { return shot.has_value(); }));
    ASSERT_TRUE(shot->succeeded) << shot->error.ToUtf8();
    std::ofstream(out / "sandbox.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(shot->png.data()),
               static_cast<std::streamsize>(shot->png.size()));
    EXPECT_TRUE(ReadFile(out / "sandbox.png").starts_with("\x89PNG\r\n\x1a\n"));
    // The README's picture of the sandbox is this one: ATC_SANDBOX_PICTURE=docs/sandbox.png.
    if (const char* keep = std::getenv("ATC_SANDBOX_PICTURE"); keep != nullptr && *keep != '\0') {
        std::filesystem::copy_file(out / "sandbox.png", keep,
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

} // namespace
} // namespace SimTest
