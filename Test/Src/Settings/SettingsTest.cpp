#include "Settings/Settings.hpp"
#include "Settings/Preferences.hpp"

#include "Support/LogCapture.hpp"
#include "Support/TempDir.hpp"

#include <QB/Guid.hpp>
#include <QB/Pref.hpp>

#include <gtest/gtest.h>

namespace {

using TesselConnect::PreferenceSection;
using TesselConnect::ReadPreference;
using TesselConnect::Settings;
namespace Keys = TesselConnect::PreferenceKeys;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { QBPref::SetDirectory(_prefs.Path()); }
    void TearDown() override {
        QBPref::SetFailureInjection(false);
        QBPref::ResetDirectory();
    }

    static QB::UniString StoredUserId() {
        QBPref::DiscardCache();
        const auto user = QBPref::GetRootKey(QBPref::UserDomain);
        return user.Contains(PreferenceSection, Keys::UserId.name)
                   ? user.GetString(PreferenceSection, Keys::UserId.name, "")
                   : QB::UniString("<missing>");
    }

    TestSupport::TempDir _prefs{"prefs"};
};

TEST_F(SettingsTest, FirstRunCreatesAndStoresTheIdThatTheNextRunReadsOnce) {
    QB::UniString created;
    {
        Settings firstRun;
        created = firstRun.GetTrackingUserId();
        EXPECT_TRUE(QB::Guid::Parse(created).has_value()) << created.ToUtf8();
        EXPECT_TRUE(firstRun.IsUserIdCreated());
    }
    EXPECT_EQ(StoredUserId(), created);

    Settings nextRun;
    EXPECT_EQ(nextRun.GetTrackingUserId(), created);
    EXPECT_FALSE(nextRun.IsUserIdCreated());

    // A second call in one run does not touch the store.
    QBPref::SetFailureInjection(true);
    TestSupport::LogCapture capture;
    EXPECT_EQ(nextRun.GetTrackingUserId(), created);
    EXPECT_FALSE(nextRun.IsUserIdCreated());
    EXPECT_TRUE(capture.Messages(spdlog::level::err).empty());
}

TEST_F(SettingsTest, FailingStoreGivesErroredEachCallAndRetriesUntilItWorks) {
    Settings settings;
    QBPref::SetFailureInjection(true);
    {
        TestSupport::LogCapture capture;
        EXPECT_EQ(settings.GetTrackingUserId(), "<errored>");
        EXPECT_EQ(settings.GetTrackingUserId(), "<errored>");

        const auto errors = capture.Messages(spdlog::level::err);
        ASSERT_EQ(errors.size(), 2U);
        EXPECT_EQ(errors[0].rfind("exception: ", 0), 0U) << errors[0];
        EXPECT_GT(errors[0].size(), std::string("exception: ").size());
    }
    QBPref::SetFailureInjection(false);

    const QB::UniString id = settings.GetTrackingUserId();
    EXPECT_TRUE(QB::Guid::Parse(id).has_value()) << id.ToUtf8();
    EXPECT_TRUE(settings.IsUserIdCreated());
    EXPECT_EQ(StoredUserId(), id);
}

TEST_F(SettingsTest, LifeAndLanguageAreLogged) {
    TestSupport::LogCapture capture;
    {
        Settings settings;
        EXPECT_TRUE(settings.GetLanguage().IsEmpty());
        settings.SetLanguage("DEU");
        EXPECT_EQ(settings.GetLanguage(), "DEU");
    }
    EXPECT_EQ(capture.Messages(),
              (std::vector<std::string>{"Settings::construct", "SetLanguage: DEU", "Settings::destruct"}));
    EXPECT_TRUE(capture.Contains(spdlog::level::debug, "SetLanguage: DEU"));
    EXPECT_TRUE(capture.Contains(spdlog::level::trace, "Settings::destruct"));
}

TEST_F(SettingsTest, KeysAnswerTheirDefaultsAndOnlyTheUserIdIsWrittenBack) {
    for (const auto& [key, value] : {std::pair{&Keys::LogLevel, QB::UniString("trace")},
                                     {&Keys::LogPath, ""},
                                     {&Keys::TesselUrl, Keys::TesselUrl.defaultValue},
                                     {&Keys::TesselUsername, ""},
                                     {&Keys::TesselPassword, ""}}) {
        EXPECT_EQ(ReadPreference(*key), value) << key->name;
        EXPECT_FALSE(QBPref::GetRootKey(key->domain).Contains(PreferenceSection, key->name)) << key->name;
    }

    EXPECT_EQ(ReadPreference(Keys::UserId, "given"), "given");
    EXPECT_EQ(StoredUserId(), "given");
}

TEST_F(SettingsTest, KeysReadTheValuesStoredInTheirDomain) {
    ASSERT_EQ(QBPref::GetRootKey(0).SetString(PreferenceSection, "tessel.url", "https://127.0.0.1:8443/"),
              QB::NoError);
    ASSERT_EQ(QBPref::GetRootKey(-1).SetString(PreferenceSection, "log.level", "debug"), QB::NoError);
    // The same key in another domain is another setting.
    ASSERT_EQ(QBPref::GetRootKey(0).SetString(PreferenceSection, "log.level", "error"), QB::NoError);

    EXPECT_EQ(ReadPreference(Keys::TesselUrl), "https://127.0.0.1:8443/");
    EXPECT_EQ(ReadPreference(Keys::LogLevel), "debug");
}

} // namespace
