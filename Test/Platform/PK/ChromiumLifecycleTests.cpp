// The browser process of the Chromium backend: clear errors when it cannot start, no process
// or folder left behind, a browser or page that dies never hangs the host, and the factory.

#include "ChromiumFixture.hpp"

#include <QB/Debug.hpp>

#include <signal.h>

#include <fstream>

namespace ChromiumTest {
namespace {

// Without a browser started up front: these tests start (or fail to start) their own.
class ChromiumStartTest : public ::testing::Test {
protected:
    PK::ChromiumOptions Options() const {
        PK::ChromiumOptions options;
        options.temporaryRoot = temp.Path();
        return options;
    }

    std::string StartError(const PK::ChromiumOptions& options) {
        try {
            PK::ChromiumBrowserBackend backend({}, options);
        } catch (const PK::ChromiumStartError& e) {
            return e.what();
        }
        return "started";
    }

    // No profile folder of a browser is left (the test's own scripts may be).
    bool NoBrowserFolderLeft() const {
        for (const auto& entry : std::filesystem::directory_iterator(temp.Path())) {
            if (entry.path().filename().string().starts_with("pk-chromium-")) {
                return false;
            }
        }
        return true;
    }

    TestSupport::TempDir temp{"chromium-start"};
};

// Test that a browser program that is missing, exits at once (reported with its status and its
// output) or never answers (given up after the start timeout and killed) is a clear error, logged
// too, with nothing left over.
TEST_F(ChromiumStartTest, ProgramThatIsMissingExitsOrNeverAnswersIsAClearError) {
    const struct {
        const char* program;
        const char* script; // none: there is no such program
        std::vector<std::string> error;
    } cases[] = {
        {"no-such-browser",
         nullptr,
         {"cannot start the browser " + (temp / "no-such-browser").string() + ": No such file or directory"}},
        {"exits",
         "echo 'cannot open display' >&2\nexit 3\n",
         {"did not become ready: the connection to the browser has ended", "it exited with status 3",
          "cannot open display"}},
        {"hangs", "exec sleep 60\n", {"no answer to Target.getTargets within"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        PK::ChromiumOptions options = Options();
        options.executable = temp / c.program;
        options.startTimeout = 500ms;
        options.exitTimeout = 200ms;
        if (c.script != nullptr) {
            std::ofstream(options.executable) << "#!/bin/sh\n" << c.script;
            std::filesystem::permissions(options.executable, std::filesystem::perms::owner_all);
        }
        QB::DebugOutputCapture output;
        const auto start = std::chrono::steady_clock::now();
        const std::string error = StartError(options);
        if (std::string_view(c.program) == "hangs") { // given up long before its 60 s
            EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        }
        for (const std::string& text : c.error) {
            EXPECT_THAT(error, testing::HasSubstr(text));
        }
        EXPECT_EQ(output.GetText(), "PK: chromium: " + error + "\n");
        EXPECT_TRUE(NoBrowserFolderLeft());
    }
}

// Test that the browser runs with its home and caches in its own folder, and that destroying
// the backend ends the process and removes the folder.
TEST_F(ChromiumStartTest, DestructionEndsTheProcessAndRemovesItsFolder) {
    pid_t pid = -1;
    std::filesystem::path profile;
    try {
        PK::ChromiumBrowserBackend backend({}, Options());
        pid = backend.GetProcessId();
        profile = backend.GetProfileFolder();
        EXPECT_TRUE(backend.IsAlive());
        EXPECT_EQ(kill(pid, 0), 0);
        EXPECT_EQ(profile.parent_path().parent_path(), temp.Path());
        EXPECT_TRUE(std::filesystem::exists(profile.parent_path() / "home"));
    } catch (const PK::ChromiumStartError& e) {
        FAIL() << "Chromium could not be started: " << e.what();
    }
    EXPECT_EQ(kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
    EXPECT_FALSE(std::filesystem::exists(profile));
    EXPECT_TRUE(NoBrowserFolderLeft());
}

// Test that hosts select the backend with the factory, and get a Chromium browser.
TEST_F(ChromiumStartTest, FactoryGivesEveryNewBrowserAChromiumBackend) {
    PK::SetBrowserBackendFactory(PK::MakeChromiumBrowserBackendFactory(Options()));
    try {
        PK::Browser browser;
        EXPECT_NE(dynamic_cast<PK::ChromiumBrowserBackend*>(&browser.GetBackend()), nullptr);
    } catch (const PK::ChromiumStartError& e) {
        ADD_FAILURE() << "Chromium could not be started: " << e.what();
    }
    PK::SetBrowserBackendFactory({});
    PK::ChromiumOptions missing = Options();
    missing.executable = temp / "no-such-browser";
    PK::SetBrowserBackendFactory(PK::MakeChromiumBrowserBackendFactory(missing));
    EXPECT_THROW(PK::Browser{}, PK::ChromiumStartError);
    PK::SetBrowserBackendFactory({});
}

using BrowserEndTest = ChromiumFixture;

// Test that a browser killed from outside is noticed: everything fails at once instead of
// waiting, and the end is logged.
TEST_F(BrowserEndTest, KilledBrowserFailsEverythingAtOnce) {
    ASSERT_TRUE(LoadHTMLAndWait("<p>alive</p>"));
    QB::DebugOutputCapture output;
    ASSERT_EQ(kill(-Backend().GetProcessId(), SIGKILL), 0);
    ASSERT_TRUE(RunUntil([&] { return !Backend().IsAlive(); }));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(browser->ExecuteJS("1"));
    EXPECT_FALSE(browser->LoadURL(QB::UniString(server.URL("/"))));
    std::optional<PK::ScreenshotResult> shot;
    browser->CaptureScreenshot([&shot](const PK::ScreenshotResult& result) { shot = result; });
    ASSERT_TRUE(shot.has_value());
    EXPECT_FALSE(shot->succeeded);
    // Far below the command timeout: nothing waited for a reply that could never come.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    // How the end shows (a closed or a reset connection, with or without the exit status) depends
    // on scheduling, so only the notice itself is certain.
    EXPECT_THAT(output.GetText(), testing::HasSubstr("PK: chromium: the browser has ended: "));
}

// Test that a crashed page shows up as the error page and that the next load brings the
// page back.
TEST_F(BrowserEndTest, CrashedPageShowsTheErrorPageAndRecovers) {
    RegisterIntegrator();
    ASSERT_TRUE(LoadHTMLAndWait("<p>before</p>"));
    browser->LoadURL("chrome://crash");
    ASSERT_TRUE(
        RunUntil([&] { return browser->GetURL().ToUtf8() == PK::ChromiumBrowserBackend::ErrorPageURL; }));
    ASSERT_TRUE(LoadHTMLAndWait("<script>integrator.report('back again');</script>"));
    ASSERT_TRUE(WaitForCalls("report", 1));
    EXPECT_TRUE(Backend().IsAlive());
}

} // namespace
} // namespace ChromiumTest
