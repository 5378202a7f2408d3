#include "Vantrel/Api/Error/ThrowError.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/Error/ErrorCodes.hpp"

#include "Support/LogCapture.hpp"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace TesselConnect;

namespace {

struct ExpectedCode {
    VNAPI_ErrCode code = 0;
    std::string_view name;
};

// The host's table written out as its blocks: a first code and the names of consecutive codes.
constexpr std::size_t ExpectedCount = 75;
constexpr std::array<ExpectedCode, ExpectedCount> Expected = [] {
    std::array<ExpectedCode, ExpectedCount> rows{};
    std::size_t at = 0;
    auto block = [&](VNAPI_ErrCode first, std::initializer_list<std::string_view> names) {
        for (std::string_view name : names) {
            rows[at++] = ExpectedCode{first++, name};
        }
    };
    block(0x81060001, {"APIERR_GENERAL", "APIERR_MEMFULL", "APIERR_CANCEL"});
    block(0x81060065, {"APIERR_BADID", "APIERR_BADINDEX", "APIERR_BADNAME", "APIERR_BADPARS",
                       "APIERR_BADPOLY", "APIERR_BADDATABASE", "APIERR_BADWINDOW", "APIERR_BADKEYCODE",
                       "APIERR_BADPLATFORMSIGN", "APIERR_BADPLANE", "APIERR_BADUSERID", "APIERR_BADVALUE",
                       "APIERR_BADELEMENTTYPE", "APIERR_IRREGULARPOLY", "APIERR_BADEXPRESSION"});
    block(0x810600C9, {"APIERR_NO3D", "APIERR_NOMORE", "APIERR_NOPLAN", "APIERR_NOLIB", "APIERR_NOLIBSECT",
                       "APIERR_NOSEL", "APIERR_NOTEDITABLE", "APIERR_NOTSUBTYPEOF", "APIERR_NOTEQUALMAIN",
                       "APIERR_NOTEQUALREVISION", "APIERR_NOSYNCWORKPROJECT"});
    block(0x810600DC, {"APIERR_NOUSERDATA", "APIERR_MOREUSER", "APIERR_LINKEXIST", "APIERR_LINKNOTEXIST",
                       "APIERR_WINDEXIST", "APIERR_WINDNOTEXIST", "APIERR_UNDOEMPTY", "APIERR_REFERENCEEXIST",
                       "APIERR_NAMEALREADYUSED"});
    block(0x8106012D, {"APIERR_ATTREXIST", "APIERR_DELETED", "APIERR_LOCKEDLAY", "APIERR_HIDDENLAY",
                       "APIERR_INVALFLOOR", "APIERR_NOTMINE", "APIERR_NOACCESSRIGHT",
                       "APIERR_BADPROPERTYFORELEM", "APIERR_BADCLASSIFICATIONFORELEM"});
    block(0x81060191, {"APIERR_MODULNOTINSTALLED", "APIERR_MODULCMDMINE", "APIERR_MODULCMDNOTSUPPORTED",
                       "APIERR_MODULCMDVERSNOTSUPPORTED", "APIERR_NOMODULEDATA"});
    block(0x810601F5, {"APIERR_PAROVERLAP", "APIERR_PARMISSING", "APIERR_PAROVERFLOW", "APIERR_PARIMPLICIT"});
    block(0x810601FE, {"APIERR_RUNOVERLAP", "APIERR_RUNMISSING", "APIERR_RUNOVERFLOW", "APIERR_RUNIMPLICIT",
                       "APIERR_RUNPROTECTED"});
    block(0x81060208, {"APIERR_EOLOVERLAP"});
    block(0x81060212, {"APIERR_TABOVERLAP"});
    block(0x81060385, {"APIERR_NOTINIT", "APIERR_NESTING", "APIERR_NOTSUPPORTED", "APIERR_REFUSEDCMD",
                       "APIERR_REFUSEDPAR", "APIERR_READONLY", "APIERR_SERVICEFAILED", "APIERR_COMMANDFAILED",
                       "APIERR_NEEDSUNDOSCOPE"});
    block(0x810603E9, {"APIERR_MISSINGCODE", "APIERR_MISSINGDEF", "APIERR_BADCLASSIFICATIONFORATTR"});
    if (at != ExpectedCount) {
        throw "the expected table must list every code once";
    }
    return rows;
}();

static_assert(VNAPI_ERROR_COUNT == ExpectedCount);

std::string SignedMessage(std::string_view name, VNAPI_ErrCode code) {
    return fmt::format("{}({})", name, static_cast<std::int32_t>(code));
}

// Throws code I of the table and checks every way it must and must not be caught.
template <std::size_t I> void ExpectTypedThrow() {
    constexpr ExpectedCode row = Expected[I];
    SCOPED_TRACE(std::string(row.name));

    bool caughtAsOwnType = false;
    try {
        Api::ThrowError(row.code);
    } catch (const Api::Error<row.code>& error) {
        caughtAsOwnType = true;
        EXPECT_EQ(error.GetErrorCode(), row.code);
        EXPECT_EQ(error.GetErrorName(), row.name);
        EXPECT_EQ(std::string(error.what()), SignedMessage(row.name, row.code));
    } catch (...) {
    }
    EXPECT_TRUE(caughtAsOwnType);

    EXPECT_THROW(Api::ThrowError(row.code), Api::GeneralError);

    bool caughtAsBadId = false;
    try {
        Api::ThrowError(row.code);
    } catch (const Api::Error<APIERR_BADID>&) {
        caughtAsBadId = true;
    } catch (const Api::GeneralError&) {
    }
    EXPECT_EQ(caughtAsBadId, row.code == APIERR_BADID);
}

template <std::size_t... I> void ExpectTypedThrows(std::index_sequence<I...>) {
    (ExpectTypedThrow<I>(), ...);
}

} // namespace

TEST(HostErrors, EveryTableCodeHasItsNameAndValue) {
    for (const ExpectedCode& row : Expected) {
        EXPECT_EQ(Api::GetErrorName(row.code), row.name) << std::hex << row.code;
    }
}

TEST(HostErrors, EveryTableCodeThrowsItsOwnTypeCaughtAlsoAsGeneralError) {
    ExpectTypedThrows(std::make_index_sequence<ExpectedCount>{});
}

TEST(HostErrors, CodesOutsideTheTableHaveNoName) {
    for (VNAPI_ErrCode code : {0x00000000u, 0x81060000u, 0x81060004u, 0x81060064u, 0x810600D4u, 0x81069999u,
                               0x80010001u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(Api::GetErrorName(code).has_value()) << std::hex << code;
    }
}

TEST(HostErrors, UnknownCodeThrowsGeneralErrorWithPlaceholderName) {
    try {
        Api::ThrowError(0x81069999);
        FAIL() << "nothing thrown";
    } catch (const Api::GeneralError& error) {
        EXPECT_EQ(std::string(error.what()), "APIERR_?(-2130273895)");
        EXPECT_EQ(error.GetErrorCode(), 0x81069999u);
        EXPECT_EQ(error.GetErrorName(), "APIERR_?");
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

TEST(HostErrors, GeneralMessagePrintsTheCodeSigned) {
    EXPECT_EQ(std::string(Api::Error<APIERR_GENERAL>().what()), "APIERR_GENERAL(-2130313215)");
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

TEST(HostErrors, ThrowMacroLogsTraceLineBeforeThrowing) {
    TestSupport::LogCapture log;
    EXPECT_THROW(ATC_THROW_API_ERROR(APIERR_NOTMINE), Api::Error<APIERR_NOTMINE>);
    EXPECT_THROW(ATC_THROW_API_ERROR(0x81069999u), Api::GeneralError);
    EXPECT_NO_THROW(ATC_THROW_IF_API_ERROR(NoError));
    EXPECT_EQ(log.Messages(spdlog::level::trace),
              (std::vector<std::string>{"GeneralError exception will be thrown: APIERR_NOTMINE(-2130312910)",
                                        "GeneralError exception will be thrown: APIERR_?(-2130273895)"}));
}
