#include "HostFixture.hpp"

#include "Support/LogCapture.hpp"

#include "Vantrel/Api/Error/Error.hpp"

#include <QB/Resource.hpp>

namespace TesselConnect::Test {
namespace {

using TestSupport::LogCapture;

class HelpersOverHost : public HostFixture {
protected:
    HelpersOverHost() {
        host.NewProject();
        VantrelSim::ClassificationSystem system;
        system.guid = QB::Guid::Generate();
        system.name = "Building Elements";
        systemGuid = system.guid;
        host.GetProject().AddSystem(system);
        // A (A1 (A1a), A2), B
        const QB::Guid a = AddItem("A", {});
        const QB::Guid a1 = AddItem("A1", a);
        AddItem("A1a", a1);
        AddItem("A2", a);
        AddItem("B", {});
    }

    QB::Guid AddItem(const char* id, const QB::Guid& parent) {
        VantrelSim::ClassificationItem item;
        item.guid = QB::Guid::Generate();
        item.system = systemGuid;
        item.parent = parent;
        item.id = id;
        item.name = QB::UniString(id) + " name";
        host.GetProject().AddItem(item, {});
        return item.guid;
    }

    QB::Guid systemGuid;
};

TEST_F(HelpersOverHost, ClassificationItemsComeInPreOrderAndSearchStopsAtTheFirstMatch) {
    QB::Array<QB::UniString> ids;
    for (const API_ClassificationItem& item : vantrel->GetAllClassificationItems(systemGuid)) {
        ids.Push(item.id);
    }
    EXPECT_EQ(ids, (QB::Array<QB::UniString>{"A", "A1", "A1a", "A2", "B"}));

    const auto calls =
        host.CallCount(VantrelSim::HostFunction::VNAPI_Classification_GetClassificationItemChildren);
    const std::optional<API_ClassificationItem> found = vantrel->FindClassificationItemById(systemGuid, "A1");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->name, QB::UniString("A1 name"));
    EXPECT_EQ(host.CallCount(VantrelSim::HostFunction::VNAPI_Classification_GetClassificationItemChildren),
              calls + 1)
        << "only A's children were read";
    EXPECT_FALSE(vantrel->FindClassificationItemById(systemGuid, "Z").has_value());
    EXPECT_THROW(vantrel->GetAllClassificationItems(QB::Guid::Generate()), Api::Error<APIERR_BADID>);
}

// (Reading elements, storing and reading add-on objects and selecting go through this interface in
// the model's and the palette's tests over the host; these are the parts they do not reach.)
TEST_F(HelpersOverHost, ElementClassificationInASystemIsEmptyUntilClassified) {
    const QB::Guid wall = AddWall();
    const API_ClassificationItem none = vantrel->Element_GetClassificationInSystem(wall, systemGuid);
    EXPECT_TRUE(APIGuid2QBGuid(none.guid).IsNull());
    EXPECT_TRUE(none.id.IsEmpty());

    const auto item = vantrel->FindClassificationItemById(systemGuid, "B");
    InCommand([&] { vantrel->Element_AddClassificationItem(wall, APIGuid2QBGuid(item->guid)); });
    EXPECT_EQ(vantrel->Element_GetClassificationInSystem(wall, systemGuid).id, QB::UniString("B"));
}

TEST_F(HelpersOverHost, AddOnObjectsAreListedAndRefuseReservationOutsideASharedProject) {
    QB::Guid object;
    InCommand([&] { object = vantrel->AddOnObject_CreateUniqueObject("PlanData"); });
    EXPECT_TRUE(vantrel->AddOnObject_ExistsObject(object));
    EXPECT_FALSE(vantrel->AddOnObject_ExistsObject(QB::Guid::Generate()));
    EXPECT_EQ(vantrel->AddOnObject_GetObjectList(), QB::Array<QB::Guid>{object});
    EXPECT_THROW(vantrel->AddOnObject_ReserveObject(object), Api::Error<APIERR_NOSYNCWORKPROJECT>);
}

TEST_F(HelpersOverHost, ResourceStringsComeFromTheAddonsOwnModule) {
    QB::ResourceModuleContents contents;
    contents.AddStringList({32000, {"ArdoTesselConnect", "Description"}});
    const QB::ResModule module = QB::RegisterResourceModule("", std::move(contents));
    host.SetAddonResModule(module);
    LogCapture log;
    EXPECT_EQ(vantrel->GetResourceString(32000, 2), QB::UniString("Description"));
    EXPECT_EQ(vantrel->GetResourceString(Util::Resource::String(32000, 1)),
              QB::UniString("ArdoTesselConnect"));
    EXPECT_TRUE(vantrel->GetResourceString(32000, 3).IsEmpty());
    EXPECT_TRUE(vantrel->GetResourceString(32999, 1).IsEmpty());
    EXPECT_EQ(log.Messages(spdlog::level::critical),
              (std::vector<std::string>{"Missing resource string. resID(32000), index(3)",
                                        "Missing resource string. resID(32999), index(1)"}));
    QB::UnregisterResourceModule(module);
}

} // namespace
} // namespace TesselConnect::Test
