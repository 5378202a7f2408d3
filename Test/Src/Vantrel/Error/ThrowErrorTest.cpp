#include "Vantrel/Api/Error/ThrowError.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/Error/ErrorCodes.hpp"

#include "Support/LogCapture.hpp"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

using namespace TesselConnect;

namespace {

static_assert(VNAPI_ERROR_COUNT == 75);

// Throws one code of the host's table and checks its name and every way it must and must not be
// caught. (The codes' values are the header's; log-line tests pin several of them.)
template <VNAPI_ErrCode Code> void ExpectTypedThrow(std::string_view name) {
    SCOPED_TRACE(std::string(name));
    EXPECT_EQ(Api::GetErrorName(Code), name);

    bool caughtAsOwnType = false;
    try {
        Api::ThrowError(Code);
    } catch (const Api::Error<Code>& error) {
        caughtAsOwnType = true;
        EXPECT_EQ(error.GetErrorCode(), Code);
        EXPECT_EQ(error.GetErrorName(), name);
        EXPECT_EQ(std::string(error.what()), fmt::format("{}({})", name, static_cast<std::int32_t>(Code)));
    } catch (...) {
    }
    EXPECT_TRUE(caughtAsOwnType);

    EXPECT_THROW(Api::ThrowError(Code), Api::GeneralError);

    bool caughtAsBadId = false;
    try {
        Api::ThrowError(Code);
    } catch (const Api::Error<APIERR_BADID>&) {
        caughtAsBadId = true;
    } catch (const Api::GeneralError&) {
    }
    EXPECT_EQ(caughtAsBadId, Code == APIERR_BADID);
}

} // namespace

TEST(HostErrors, EveryTableCodeHasItsNameAndThrowsItsOwnTypeCaughtAlsoAsGeneralError) {
#define ATC_EXPECT_TYPED_THROW(name, value) ExpectTypedThrow<name>(#name);
    VNAPI_FOR_EACH_ERROR(ATC_EXPECT_TYPED_THROW)
#undef ATC_EXPECT_TYPED_THROW
}

TEST(HostErrors, CodesOutsideTheTableHaveNoName) {
    for (VNAPI_ErrCode code : {0x00000000u, 0x81060000u, 0x81060004u, 0x81060064u, 0x810600D4u, 0x81069999u,
                               0x80010001u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(Api::GetErrorName(code).has_value()) << std::hex << code;
    }
}

// A failed read is thrown with the core library's status: its message names that code, while the
// host's table still does not know it.
TEST(HostErrors, CoreLibraryStatusesAreNamedInMessages) {
    const std::pair<VNAPI_ErrCode, const char*> statuses[] = {
        {QB::ErrorEndOfInput, "QB::ErrorEndOfInput(-2147418111)"},
        {QB::ErrorCorruptedData, "QB::ErrorCorruptedData(-2147418110)"},
        {QB::ErrorBadParameter, "QB::ErrorBadParameter(-2147418104)"}};
    for (const auto& [code, message] : statuses) {
        EXPECT_EQ(std::string(Api::GeneralError(code).what()), message);
        EXPECT_THROW(Api::ThrowError(code), Api::GeneralError);
    }
}

TEST(HostErrors, ZeroCodeIsLoggedAsFailedAssertionButStillBuilt) {
    TestSupport::LogCapture log;
    const Api::GeneralError error(NoError);
    EXPECT_EQ(std::string(error.what()), "APIERR_?(0)");
    EXPECT_TRUE(
        log.Contains(spdlog::level::critical, "failed assertion: errCode != QB::NoError, errCode(0)"));
}

TEST(HostErrors, NoAccessRightKindsReportFixedTextsAndCatchAsTheirCode) {
    const auto expectCaughtAsNoAccessRight = [](const auto& error, const char* text) {
        EXPECT_EQ(std::string(error.what()), text);
        try {
            throw error;
        } catch (const Api::Error<APIERR_BADID>&) {
            ADD_FAILURE() << "caught as APIERR_BADID";
        } catch (const Api::Error<APIERR_NOACCESSRIGHT>& caught) {
            EXPECT_EQ(caught.GetErrorCode(), APIERR_NOACCESSRIGHT);
            EXPECT_EQ(std::string(caught.what()), text);
        }
    };
    expectCaughtAsNoAccessRight(Api::ErrorClassificationManagerNoAccessRight(),
                                "ErrorClassificationManagerNoAccessRight(APIERR_NOACCESSRIGHT)");
    expectCaughtAsNoAccessRight(Api::ErrorPropertyManagerNoAccessRight(),
                                "ErrorPropertyManagerNoAccessRight(APIERR_NOACCESSRIGHT)");
}
