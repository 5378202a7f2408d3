#include <QB/Debug.hpp>
#include <QB/Pref.hpp>

#include "Support/TempDir.hpp"

#include <gtest/gtest.h>

#include <fstream>

using QB::UniString;

namespace {

using TestSupport::ReadFile;

struct PrefStore : testing::Test {
    TestSupport::TempDir dir{"qbpref"};
    void SetUp() override { QBPref::SetDirectory(dir.Path()); }
    void TearDown() override {
        QBPref::SetFailureInjection(false);
        QBPref::ResetDirectory();
    }
};

} // namespace

TEST_F(PrefStore, ReadsWithWriteBackStoreTheDefaultAndTextThatLooksLikeSyntaxSurvives) {
    const QBPref root = QBPref::GetRootKey();
    EXPECT_EQ(root.GetString("ArdoTesselConnect", "tessel.url", "https://example.test"),
              UniString("https://example.test"));
    EXPECT_FALSE(root.Contains("ArdoTesselConnect", "tessel.url"));
    EXPECT_FALSE(std::filesystem::exists(dir / "Default.prefs"));

    const QBPref user = QBPref::GetRootKey(QBPref::UserDomain);
    EXPECT_EQ(user.GetString("ArdoTesselConnect", "userId", "first-id", true), UniString("first-id"));
    QBPref::DiscardCache(); // the host starts again
    EXPECT_EQ(user.GetString("ArdoTesselConnect", "userId", "second-id", true), UniString("first-id"));
    EXPECT_EQ(ReadFile(dir / "User.prefs"), "# Vantrel preferences, UTF-8; see QB/Pref.hpp for the "
                                            "format\n[ArdoTesselConnect]\nuserId=first-id\n");

    // Text that looks like the file's syntax survives it.
    const UniString section("odd]section\\[x]");
    const UniString key("#k=ey\n[");
    const UniString value("a=b\r\n[c]\t\\n # Zoë");
    ASSERT_EQ(root.SetString(section, key, value), QB::NoError);
    ASSERT_EQ(root.SetString(section, "[plain", ""), QB::NoError);
    QBPref::DiscardCache();
    EXPECT_EQ(root.GetString(section, key, "missing"), value);
    EXPECT_TRUE(root.Contains(section, "[plain"));
}

TEST_F(PrefStore, DomainsAreSeparateAndDeletePersists) {
    QBPref::GetRootKey(QBPref::MachineDomain).SetString("S", "log.level", "debug");
    EXPECT_EQ(QBPref::GetRootKey(QBPref::DefaultDomain).GetString("S", "log.level", "trace"),
              UniString("trace"));
    QBPref::DiscardCache();
    EXPECT_EQ(QBPref::GetRootKey(QBPref::MachineDomain).GetString("S", "log.level", "trace"),
              UniString("debug"));
    EXPECT_THROW(QBPref::GetRootKey(2), std::invalid_argument);

    const QBPref root = QBPref::GetRootKey();
    root.SetString("S", "k", "v");
    EXPECT_EQ(root.Delete("S", "k"), QB::NoError);
    EXPECT_EQ(root.Delete("S", "never"), QB::NoError);
    QBPref::DiscardCache();
    EXPECT_FALSE(root.Contains("S", "k"));
}

TEST_F(PrefStore, DamagedFileLosesOnlyItsDamagedLines) {
    std::ofstream(dir / "Default.prefs", std::ios::binary) << ("orphan=before any section\n"
                                                               "[ArdoTesselConnect]\n"
                                                               "tessel.username=alice\r\n"
                                                               "no separator here\n"
                                                               "bad=escape \\q\n"
                                                               "[unterminated\n"
                                                               "lost=in a broken section\n"
                                                               "[ArdoTesselConnect]\n"
                                                               "tessel.password=s\xC3"
                                                               "cret\n" +
                                                               std::string("\0\xFF\xFE=\x01\n", 6));
    QB::DebugOutputCapture output;
    const QBPref root = QBPref::GetRootKey();
    EXPECT_EQ(root.GetString("ArdoTesselConnect", "tessel.username", ""), UniString("alice"));
    EXPECT_EQ(root.GetString("ArdoTesselConnect", "tessel.password", "").ToUtf8(), "s\xEF\xBF\xBD"
                                                                                   "cret");
    EXPECT_FALSE(root.Contains("ArdoTesselConnect", "lost"));
    const std::string report = output.GetText();
    for (const char* line :
         {":1: unreadable", ":4: unreadable", ":5: unreadable", ":6: unreadable", ":7: unreadable"}) {
        EXPECT_NE(report.find(line), std::string::npos) << line << " in " << report;
    }
}

TEST_F(PrefStore, StoreFailuresAreReportedAndTheValueKeptForThisRun) {
    std::ofstream(dir / "blocker") << "a file where the folder should be";
    QBPref::SetDirectory(dir / "blocker" / "prefs");
    const QBPref root = QBPref::GetRootKey();
    EXPECT_EQ(root.SetString("S", "k", "v"), QB::ErrorFileAccess);
    EXPECT_EQ(root.GetString("S", "k", "default"), UniString("v"));
    EXPECT_EQ(root.GetString("S", "other", "default", true), UniString("default"));

    const QBPref user = QBPref::GetRootKey(QBPref::UserDomain);
    QBPref::SetFailureInjection(true);
    EXPECT_THROW(user.GetString("S", "userId", "x", true), QBPref::StoreError);
    EXPECT_THROW(user.SetString("S", "userId", "x"), QBPref::StoreError);
    QBPref::SetFailureInjection(false);
    EXPECT_EQ(user.GetString("S", "userId", "x", true), UniString("x"));
}

TEST(PrefStoreLocation, EnvironmentRedirectsTheStoreWhenNoFolderIsSet) {
    TestSupport::TempDir dir("qbprefenv");
    TestSupport::ScopedEnv env("QB_PREF_DIR", dir.Path().string());
    QBPref::ResetDirectory();
    EXPECT_EQ(QBPref::GetDirectory(), dir.Path());
    QBPref::GetRootKey().SetString("S", "k", "v");
    EXPECT_TRUE(std::filesystem::exists(dir / "Default.prefs"));

    TestSupport::TempDir appData("qbappdata");
    TestSupport::ScopedEnv noPrefDir("QB_PREF_DIR", std::nullopt);
    TestSupport::ScopedEnv appDataDir("QB_APPDATA_DIR", appData.Path().string());
    EXPECT_EQ(QBPref::GetDirectory(), appData / "Vantrel" / "Preferences");
    QBPref::ResetDirectory();
}
