#include <QB/Debug.hpp>
#include <QB/FileLibrary.hpp>
#include <QB/Time.hpp>

#include "Support/TempDir.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

TEST(FileLibrary, ApplicationDataFolderFollowsTheOverridesAndFolderTreesAreCreatedWithParents) {
    TestSupport::TempDir dir("qbfiles");
    QB::FileLocation location;
    {
        TestSupport::ScopedEnv appData("QB_APPDATA_DIR", (dir / "override").string());
        ASSERT_EQ(QB::GetSpecialLocation(8, &location), QB::NoError);
        EXPECT_EQ(location.GetPath(), dir / "override");
    }
    TestSupport::ScopedEnv noAppData("QB_APPDATA_DIR", std::nullopt);
    {
        TestSupport::ScopedEnv xdg("XDG_DATA_HOME", (dir / "xdg").string());
        ASSERT_EQ(QB::GetSpecialLocation(QB::SpecialLocation::ApplicationData, &location), QB::NoError);
        EXPECT_EQ(location.GetPath(), dir / "xdg");
    }
    TestSupport::ScopedEnv relativeXdg("XDG_DATA_HOME", "relative/data");
    TestSupport::ScopedEnv home("HOME", (dir / "home").string());
    ASSERT_EQ(QB::GetSpecialLocation(8, &location), QB::NoError);
    EXPECT_EQ(location.GetPath(), dir / "home" / ".local" / "share");

    TestSupport::ScopedEnv noHome("HOME", std::nullopt);
    EXPECT_EQ(QB::GetSpecialLocation(8, &location), QB::ErrorUnknownLocation);
    EXPECT_EQ(QB::GetSpecialLocation(99, &location), QB::ErrorUnknownLocation);

    // A folder tree is created with its parents, and failures are codes.
    TestSupport::TempDir tree("qbfiles");
    QB::FileLocation treeLocation(tree.Path());
    ASSERT_EQ(treeLocation.AppendChild("a"), QB::NoError);
    ASSERT_EQ(treeLocation.AppendChild("Kelvane"), QB::NoError);
    EXPECT_EQ(QB::CreateFolderTree(treeLocation), QB::NoError);
    EXPECT_TRUE(std::filesystem::is_directory(tree / "a" / "Kelvane"));
    EXPECT_EQ(QB::CreateFolderTree(treeLocation), QB::NoError);

    std::ofstream(tree / "file") << "x";
    QB::FileLocation blocked(tree / "file" / "sub");
    EXPECT_EQ(QB::CreateFolderTree(blocked), QB::ErrorFileAccess);

    for (const char* bad : {"", ".", "..", "x/y", "/abs"}) {
        EXPECT_EQ(treeLocation.AppendChild(bad), QB::ErrorBadParameter) << bad;
    }
    QB::UniString path;
    EXPECT_EQ(QB::FileLocation().ToPath(&path), QB::ErrorBadParameter);
    ASSERT_EQ(treeLocation.ToPath(&path), QB::NoError);
    EXPECT_EQ(path.ToUtf8(), (tree / "a" / "Kelvane").string());
}

TEST(Time, ClockIsNowInSecondsAndOverridesNest) {
    const auto now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    EXPECT_LE(std::abs(TIGetTime() - now), 2);
    {
        QB::ScopedTimeOverride outer(1000);
        EXPECT_EQ(TIGetTime(), 1000);
        {
            QB::ScopedTimeOverride inner(5);
            inner.Advance(10);
            EXPECT_EQ(TIGetTime(), 15);
        }
        outer.Set(2000);
        EXPECT_EQ(TIGetTime(), 2000);
    }
    EXPECT_LE(std::abs(TIGetTime() - now), 2);
}

TEST(DebugOutput, CaptureSeesExactTextAndRestoresThePreviousHandler) {
    std::string outer;
    QB::DebugOutputHandler previous =
        QB::SetDebugOutputHandler([&](std::string_view text) { outer += text; });
    {
        QB::DebugOutputCapture capture;
        DBPrint("line one\r\n");
        DBPrint(nullptr);
        DBPrint("%s%n");
        EXPECT_EQ(capture.GetText(), "line one\r\n%s%n");
    }
    DBPrint("back");
    EXPECT_EQ(outer, "back");
    QB::SetDebugOutputHandler(std::move(previous));
}
