#include "Model/PlanData.hpp"

#include "Model/Error/Errors.hpp"
#include "Support/LogCapture.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"
#include "Vantrel/Implementation/Vantrel.hpp"

#include <VantrelSim/Host.hpp>

#include <QB/Channel.hpp>

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace TesselConnect;
using TesselConnect::Model::PlanData;
using VantrelSim::HostFunction;

namespace {

constexpr QB::Int32 Me = 1;
constexpr QB::Int32 OtherUser = 2;

// The stored form written field by field: frame header (class guid, main and minor version,
// body length) and the id (byte count and UTF-8).
API_DataBlock StoredForm(const std::string& id, QB::UInt16 mainVersion = 1) {
    QB::MemoryOChannel oc;
    oc.Write(QB::Guid("{dee32ada-7169-4dfd-a6fe-1bfba4fc9f73}"));
    oc.Write(mainVersion);
    oc.Write(QB::UInt16{0});
    oc.Write(static_cast<QB::UInt32>(4 + id.size()));
    oc.Write(QB::UniString(id));
    return oc.TakeData();
}

// The host's table with the add-on-object creation slot replaced, so a test can act as another
// user in the moment between the add-on's look-up and its creation.
VNAPI_AddOnObject_CreateUniqueObjectFunc* originalCreate = nullptr;
std::function<void()> beforeCreate;

VNAPI_ErrCode CreateAfterInterference(VNAPI_Token token, const QB::UniString* name, API_Guid* objectGuid) {
    if (const std::function<void()> interference = std::exchange(beforeCreate, {})) {
        interference();
    }
    return originalCreate(token, name, objectGuid);
}

class PlanDataTest : public ::testing::Test {
protected:
    PlanDataTest() { InstallTable(host.FunctionTable()); }
    ~PlanDataTest() override {
        Implementation::HostFunctions::Clear();
        beforeCreate = {};
    }

    void InstallTable(const VNAPI_FunctionTable& table) {
        Implementation::HostFunctions::Set(table);
        Implementation::HostFunctions::SetToken(host.Token());
    }

    void OpenProject(bool shared, const QB::UniString& name = "Tower") {
        VantrelSim::Project project;
        project.name = name;
        project.shared = shared;
        host.OpenProject(std::move(project));
        if (shared) {
            host.SetCurrentUser(Me);
        }
    }

    // As connecting a specification does: inside one host command, failures carried out.
    bool SyncInCommand(PlanData& planData) {
        bool result = false;
        std::exception_ptr failure;
        vantrel->CallUndoableCommand("Connect", [&] {
            try {
                result = planData.Sync();
            } catch (...) {
                failure = std::current_exception();
            }
        });
        if (failure) {
            std::rethrow_exception(failure);
        }
        return result;
    }

    // Puts a "PlanData" object into the project as another user would have left it.
    QB::Guid PutPlanDataObject(API_DataBlock content, QB::Int32 holder = 0) {
        const QB::Guid guid = QB::Guid::Generate();
        host.GetProject().addonObjects.Put(guid, {guid, "PlanData", std::move(content)});
        if (holder != 0) {
            host.ReserveObject(guid, holder);
        }
        return guid;
    }

    const VantrelSim::AddonObject* FindPlanDataObject() const {
        for (const auto& [guid, object] : host.GetProject().addonObjects) {
            if (object.name == "PlanData") {
                return &object;
            }
        }
        return nullptr;
    }

    QB::Int32 HolderOf(const QB::Guid& object) const {
        const auto& holders = host.GetProject().teamwork.objectHolders;
        const auto found = holders.find(object);
        return found == holders.end() ? 0 : found->second;
    }

    // (id, loaded, the stored object's bytes, its holder) after an operation of `planData`.
    std::tuple<std::string, bool, API_DataBlock, QB::Int32> StateOf(const PlanData& planData) const {
        const VantrelSim::AddonObject* stored = FindPlanDataObject();
        return {planData.GetId().ToUtf8(), planData.IsLoaded(), stored ? stored->data : API_DataBlock{},
                stored ? HolderOf(stored->guid) : -1};
    }

    TestSupport::LogCapture log;
    VantrelSim::Host host;
    std::shared_ptr<Implementation::Vantrel> vantrel = std::make_shared<Implementation::Vantrel>();
};

const char* const AnotherUserLine =
    "AnotherUserIsInitingThePlanId: If it coninuosly happening probably the other "
    "client 'forget' to release it. User interaction is required.";

} // namespace

TEST_F(PlanDataTest, NewProjectWorksWithFreshTemporaryIdsAndStoresOnlyOnSync) {
    OpenProject(false);
    PlanData planData(vantrel);
    EXPECT_EQ(planData.ToString(), "PlanData{_id: }");

    EXPECT_FALSE(planData.HasPlanData());
    planData.GenerateNewId();
    const QB::UniString firstId = planData.GetId();
    planData.GenerateNewId();

    const auto parsed = QB::Guid::Parse(planData.GetId());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_FALSE(parsed->IsNull());
    EXPECT_NE(planData.GetId(), firstId);
    EXPECT_FALSE(planData.IsLoaded());
    EXPECT_TRUE(planData.GetAddonObjectGuid().IsNull());
    EXPECT_TRUE(host.GetProject().addonObjects.IsEmpty());

    // One that never got an id (its project could not be read when it opened) stores a fresh one.
    PlanData withoutId(vantrel);
    ASSERT_TRUE(withoutId.GetId().IsEmpty());
    EXPECT_FALSE(SyncInCommand(withoutId));
    EXPECT_FALSE(withoutId.GetId().IsEmpty());
    EXPECT_EQ(FindPlanDataObject()->data, StoredForm(withoutId.GetId().ToUtf8()));
}

TEST_F(PlanDataTest, FirstConnectionCreatesTheObjectStoresTheTemporaryIdAndReadsBack) {
    OpenProject(false);
    PlanData planData(vantrel);
    planData.GenerateNewId();
    const QB::UniString id = planData.GetId();

    EXPECT_FALSE(SyncInCommand(planData));

    ASSERT_EQ(StateOf(planData), std::tuple(id.ToUtf8(), true, StoredForm(id.ToUtf8()), 0));
    EXPECT_EQ(FindPlanDataObject()->guid, planData.GetAddonObjectGuid());
    EXPECT_EQ(host.UndoStepNames(), std::vector<QB::UniString>{"Connect"});
    const std::string guidText = FindPlanDataObject()->guid.ToString();
    EXPECT_EQ(
        log.Messages(spdlog::level::trace),
        (std::vector<std::string>{
            fmt::format("PlanData{{_id: {}}}", id),
            "PlanData AddOnObject was created or get from SW: " + guidText, "Reserving PlanData: " + guidText,
            fmt::format("PlanData is still empty, now we fill it: PlanData{{_id: {}}}", id)}));

    PlanData reopened(vantrel);
    EXPECT_TRUE(reopened.HasPlanData());
    EXPECT_EQ(StateOf(reopened), std::tuple(id.ToUtf8(), true, StoredForm(id.ToUtf8()), 0));
    EXPECT_TRUE(log.Contains(spdlog::level::trace, fmt::format("PlanData loaded: PlanData{{_id: {}}}", id)));
}

// Another user stored the id first: the connection's sync adopts it and answers true; a receive that
// brings their object adopts it as loaded, so the next connection needs no reservation of its own.
TEST_F(PlanDataTest, AnotherUsersStoredIdIsAdoptedBySyncOrAfterAReceive) {
    for (const bool afterReceive : {false, true}) {
        SCOPED_TRACE(afterReceive ? "after a receive" : "sync");
        OpenProject(true);
        log.Clear();
        PlanData planData(vantrel);
        planData.GenerateNewId();
        PutPlanDataObject(StoredForm("THEIR-PLAN-ID"));

        EXPECT_TRUE(afterReceive ? planData.ReloadAfterReceive() : SyncInCommand(planData));

        EXPECT_EQ(StateOf(planData), std::tuple("THEIR-PLAN-ID", true, StoredForm("THEIR-PLAN-ID"), 0));
        EXPECT_TRUE(log.Contains(spdlog::level::trace,
                                 afterReceive ? "PlanData loaded: PlanData{_id: THEIR-PLAN-ID}"
                                              : "Loaded PlanData: PlanData{_id: THEIR-PLAN-ID}"));
    }
}

TEST_F(PlanDataTest, LosingTheCreationRaceAdoptsTheWinnersObjectAndId) {
    OpenProject(true);
    VNAPI_FunctionTable table = host.FunctionTable();
    originalCreate = table.VNAPI_AddOnObject_CreateUniqueObject;
    table.VNAPI_AddOnObject_CreateUniqueObject = &CreateAfterInterference;
    InstallTable(table);
    QB::Guid winners;
    beforeCreate = [&] { winners = PutPlanDataObject(StoredForm("WINNER-ID")); };
    PlanData planData(vantrel);
    planData.GenerateNewId();

    EXPECT_TRUE(SyncInCommand(planData));

    EXPECT_EQ(planData.GetAddonObjectGuid(), winners);
    EXPECT_EQ(StateOf(planData), std::tuple("WINNER-ID", true, StoredForm("WINNER-ID"), 0));
    EXPECT_EQ(host.GetProject().addonObjects.GetSize(), 1u);
    EXPECT_EQ(log.Count(spdlog::level::trace, "Found existing PlanData AddOnObject: " + winners.ToString()),
              1u);
    EXPECT_TRUE(log.Contains(spdlog::level::trace,
                             "Found existing PlanData AddOnObject: " + QB::NullGuid.ToString()));
}

TEST_F(PlanDataTest, ObjectReservedByAnotherUserStopsTheConnectionUntilReleased) {
    OpenProject(true);
    const QB::Guid object = PutPlanDataObject({}, OtherUser);
    PlanData planData(vantrel);
    planData.GenerateNewId();
    const QB::UniString id = planData.GetId();

    EXPECT_THROW(SyncInCommand(planData), Model::AnotherUserIsInitingThePlanId);

    EXPECT_TRUE(log.Contains(spdlog::level::info, AnotherUserLine));
    EXPECT_EQ(StateOf(planData), std::tuple(id.ToUtf8(), false, API_DataBlock{}, OtherUser));

    host.ReserveObject(object, 0);
    EXPECT_FALSE(SyncInCommand(planData));
    EXPECT_EQ(FindPlanDataObject()->data, StoredForm(id.ToUtf8()));
    EXPECT_EQ(host.CallCount(HostFunction::VNAPI_AddOnObject_ReleaseObjects), 1U); // given back once
}

// Whether this user created the object in the same call or reserved an existing one, a failure
// while storing must not leave the object held: every other user would be locked out for good.
TEST_F(PlanDataTest, FailedStoreInSharedProjectReleasesTheObjectForEveryone) {
    for (const bool objectExists : {false, true}) {
        SCOPED_TRACE(objectExists ? "existing empty object" : "object created by this call");
        OpenProject(true);
        if (objectExists) {
            PutPlanDataObject({});
        }
        host.Faults().NextCalls(HostFunction::VNAPI_AddOnObject_ModifyObject, APIERR_GENERAL, 1);
        PlanData mine(vantrel);
        mine.GenerateNewId();

        EXPECT_THROW(SyncInCommand(mine), Api::Error<APIERR_GENERAL>);

        EXPECT_EQ(StateOf(mine), std::tuple(mine.GetId().ToUtf8(), false, API_DataBlock{}, 0));

        host.SetCurrentUser(OtherUser);
        PlanData theirs(vantrel);
        theirs.GenerateNewId();
        EXPECT_FALSE(SyncInCommand(theirs));
        EXPECT_EQ(StateOf(theirs),
                  std::tuple(theirs.GetId().ToUtf8(), true, StoredForm(theirs.GetId().ToUtf8()), 0));
    }
}

// Another user's newer add-on wrote it: it stays theirs, and connecting waits for an add-on that
// reads it.
TEST_F(PlanDataTest, NewerStoredContentIsNeitherLoadedNorOverwritten) {
    const API_DataBlock newer = StoredForm("FUTURE", 2);
    OpenProject(true);
    PutPlanDataObject(newer);
    PlanData planData(vantrel);

    EXPECT_FALSE(planData.HasPlanData());
    EXPECT_TRUE(planData.GetId().IsEmpty());
    EXPECT_EQ(log.Messages(spdlog::level::err),
              std::vector<std::string>{"exception: Error::VersionIncompatibility"});
    log.Clear();

    planData.GenerateNewId();
    const QB::UniString id = planData.GetId();
    EXPECT_THROW(SyncInCommand(planData), Model::Error::VersionIncompatibility);
    EXPECT_EQ(StateOf(planData), std::tuple(id.ToUtf8(), false, newer, 0));
}

// An empty object, one holding an empty id (another add-on's failed fill) or one cut short is no
// plan id for the page: it is filled under reservation with this user's id and released, and a
// later look finds it.
TEST_F(PlanDataTest, EmptyUnreadableObjectOrStoredEmptyIdIsFilledWithThisUsersIdAndReleased) {
    const API_DataBlock emptyId = StoredForm("");
    API_DataBlock truncated = StoredForm("CUT-SHORT");
    truncated.resize(truncated.size() - 3);
    const std::string unreadable =
        fmt::format("PlanData cannot be read ({}), ", Api::GeneralError(QB::ErrorCorruptedData).what());
    for (const auto& [content, line] :
         {std::pair{API_DataBlock{},
                    std::pair{spdlog::level::warn, std::string("Probably couldn't save the planid: "
                                                               "PlanData{_id: }, 0 bytes")}},
          std::pair{emptyId, std::pair{spdlog::level::critical,
                                       fmt::format("failed assertion: !this->_id.IsEmpty(), handle({} bytes)",
                                                   emptyId.size())}},
          std::pair{truncated,
                    std::pair{spdlog::level::warn, fmt::format("{}a temporary id is used: {} bytes",
                                                               unreadable, truncated.size())}}}) {
        SCOPED_TRACE(line.second);
        OpenProject(true);
        log.Clear();
        const QB::Guid object = PutPlanDataObject(content);
        PlanData planData(vantrel);
        EXPECT_FALSE(planData.HasPlanData());
        EXPECT_TRUE(log.Contains(line.first, line.second));
        EXPECT_TRUE(log.Messages(spdlog::level::err).empty());
        planData.GenerateNewId();
        const QB::UniString temporary = planData.GetId();

        EXPECT_FALSE(SyncInCommand(planData));

        EXPECT_EQ(StateOf(planData), std::tuple(temporary.ToUtf8(), true, StoredForm(temporary.ToUtf8()), 0));
        EXPECT_EQ(planData.GetAddonObjectGuid(), object);
        EXPECT_EQ(host.GetProject().addonObjects.GetSize(), 1u);
        EXPECT_TRUE(
            log.Contains(spdlog::level::trace, "Found existing PlanData AddOnObject: " + object.ToString()));
        PlanData later(vantrel);
        EXPECT_TRUE(later.HasPlanData());
        EXPECT_EQ(later.GetId(), temporary);
    }
}

// Another user deletes the object while this user reads, reserves or fills it: the object is made
// again, as when there was none, instead of being asked for on this and every later connection.
TEST_F(PlanDataTest, AnObjectDeletedByAnotherUserWhileThisOneFillsItIsMadeAgain) {
    for (const HostFunction moment :
         {HostFunction::VNAPI_AddOnObject_GetObjectContent, HostFunction::VNAPI_AddOnObject_ReserveObjects,
          HostFunction::VNAPI_AddOnObject_ModifyObject}) {
        SCOPED_TRACE(VantrelSim::HostFunctionName(moment));
        OpenProject(true);
        const QB::Guid deleted = PutPlanDataObject({});
        PlanData planData(vantrel);
        EXPECT_FALSE(planData.HasPlanData());
        planData.GenerateNewId();
        const QB::UniString id = planData.GetId();
        log.Clear();
        bool done = false;
        host.SetCallListener([&](HostFunction function) {
            if (function == moment && !std::exchange(done, true)) {
                host.GetProject().addonObjects.Delete(deleted);
                host.GetProject().teamwork.objectHolders.erase(deleted);
            }
        });

        EXPECT_FALSE(SyncInCommand(planData));
        host.SetCallListener({});

        EXPECT_TRUE(done);
        EXPECT_EQ(StateOf(planData), std::tuple(id.ToUtf8(), true, StoredForm(id.ToUtf8()), 0));
        EXPECT_NE(planData.GetAddonObjectGuid(), deleted);
        EXPECT_EQ(host.GetProject().addonObjects.GetSize(), 1u);
        EXPECT_TRUE(
            log.Contains(spdlog::level::warn,
                         fmt::format("The PlanData AddOnObject({}) is gone, it is made again", deleted)));
    }
}

TEST_F(PlanDataTest, AfterAReceiveAFailedLookKeepsTheIdInUseAndAMissingObjectDoesNot) {
    OpenProject(false);
    PlanData planData(vantrel);
    planData.GenerateNewId();
    SyncInCommand(planData);
    const QB::UniString id = planData.GetId();
    for (const auto function : {HostFunction::VNAPI_AddOnObject_GetUniqueObjectGuidFromName,
                                HostFunction::VNAPI_AddOnObject_GetObjectContent}) {
        SCOPED_TRACE(VantrelSim::HostFunctionName(function));
        host.Faults().NextCalls(function, APIERR_GENERAL, 1);
        EXPECT_TRUE(planData.ReloadAfterReceive());
        EXPECT_EQ(planData.GetId(), id);
        EXPECT_TRUE(planData.IsLoaded());
    }
    host.GetProject().addonObjects.Clear();
    EXPECT_FALSE(planData.ReloadAfterReceive());
}

TEST_F(PlanDataTest, TitleFollowsTheProjectInformation) {
    PlanData planData(vantrel);
    EXPECT_EQ(planData.Title(), "");

    OpenProject(false, "Tower");
    EXPECT_EQ(planData.Title(), "Tower");

    OpenProject(false, "");
    EXPECT_EQ(planData.Title(), "Untitled");

    host.GetProject().path = "/projects/annex";
    EXPECT_EQ(planData.Title(), "/projects/annex");

    host.Faults().NextCalls(HostFunction::VNAPI_Environment, APIERR_GENERAL, 1);
    log.Clear();
    EXPECT_EQ(planData.Title(), "");
    EXPECT_EQ(log.Messages(spdlog::level::err),
              std::vector<std::string>{"exception: " + std::string(Api::Error<APIERR_GENERAL>().what())});
}
