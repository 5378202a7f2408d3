#pragma once

// The unassociated-elements cache of a connected project over the simulated host, with the host's
// notifications reaching the add-on's event source as after initialisation. Two stories; on the
// ground story two walls, a wall on a hidden layer, a wall hidden in 3D, a wall of a hotlink, a
// column with its segment, a door, a door of a variation the add-on cannot classify and an object;
// one wall upstairs. The 3D window is current.

#include "../Connection/ConnectionFixture.hpp"

#include "Model/ElementType.hpp"
#include "Model/UnassociatedElementsCache.hpp"
#include "Vantrel/Api/VantrelEventSource/VantrelEventSource.hpp"
#include "Vantrel/Implementation/HostFunctions.hpp"

#include <VantrelSim/ProjectBuilder.hpp>

#include <algorithm>
#include <set>
#include <vector>

namespace TesselConnect::Test {

class CacheFixture : public ConnectionFixture {
protected:
    using TypeKeys = std::set<std::pair<API_ElemTypeID, API_ElemVariationID>>;

    static constexpr Model::ElementType Wall{API_WallID, APIVarId_Generic};
    static constexpr Model::ElementType Column{API_ColumnID, APIVarId_Generic};
    static constexpr Model::ElementType ColumnSegment{API_ColumnSegmentID, APIVarId_Generic};
    static constexpr Model::ElementType Door{API_DoorID, APIVarId_Door};
    static constexpr Model::ElementType GenericDoor{API_DoorID, APIVarId_Generic};
    static constexpr Model::ElementType Object{API_ObjectID, APIVarId_Generic};

    CacheFixture() {
        const VantrelSim::View& view3D = Project().View3D();
        host.ChangeWindow({APIWind_3DModelID, view3D.index, QBGuid2APIGuid(view3D.databaseGuid)});
        const auto& table = Implementation::HostFunctions::Get();
        const VNAPI_Token token = Implementation::HostFunctions::GetToken();
        EXPECT_EQ(table.VNAPI_Notify_CatchProjectEvent(token, API_AllNotificationMask,
                                                       &Api::VantrelEventSource::Send_ProjectEvent),
                  NoError);
        EXPECT_EQ(table.VNAPI_Notify_CatchNewElement(token, nullptr,
                                                     &Api::VantrelEventSource::Element_NewElementEvent),
                  NoError);

        VantrelSim::ProjectBuilder build(Project());
        upstairs = build.AddStory("First");
        hotlink = build.AddHotlink("Site");
        wallUpstairs = AddElement({.story = upstairs});
        hiddenWall = AddElement({.layer = hiddenLayer});
        wallNotIn3D = AddWall();
        Project().FindElement(wallNotIn3D)->shownIn3D = false;
        AddElement({.hotlink = hotlink});
        column = AddElement({.type = API_ColumnID});
        columnSegment = AddElement({.type = API_ColumnSegmentID, .owner = column});
        door = AddElement({.type = API_DoorID, .variation = APIVarId_Door});
        AddElement({.type = API_DoorID}); // of the generic variation
        object = AddElement({.type = API_ObjectID});

        Connect();
    }

    // An element as the user draws it, which the host announces to the add-on.
    VantrelSim::Element Drawn(API_ElemTypeID type, QB::Int16 story = 0) const {
        VantrelSim::Element element;
        element.type = type;
        element.story = story;
        element.layer = layer;
        return element;
    }

    Model::UnassociatedElementsCache& Cache() { return connection->GetUnassociatedElementsCache(); }

    std::vector<QB::Guid> ElementsOf(const Model::ElementType& type) {
        const auto& elements = Cache().GetElements(type);
        return Sorted({elements.begin(), elements.end()});
    }

    static std::vector<QB::Guid> Sorted(std::vector<QB::Guid> guids) {
        std::sort(guids.begin(), guids.end());
        return guids;
    }

    TypeKeys TableTypes() {
        TypeKeys types;
        for (const auto& [type, elements] : Cache().GetTable()) {
            types.emplace(type.typeID, type.variationID);
        }
        return types;
    }

    static std::pair<API_ElemTypeID, API_ElemVariationID> Key(const Model::ElementType& type) {
        return {type.typeID, type.variationID};
    }

    std::size_t OpenedProgressWindows() const {
        return static_cast<std::size_t>(std::count_if(
            host.InterfaceRequests().begin(), host.InterfaceRequests().end(),
            [](const VantrelSim::InterfaceRequest& request) { return request.code == APIReq_OpenProgress; }));
    }

    API_WindowInfo FloorPlanWindow(QB::Int16 story) {
        const VantrelSim::View* plan = Project().FloorPlanOf(story);
        return {APIWind_FloorPlanID, story, QBGuid2APIGuid(plan->databaseGuid)};
    }

    QB::Int16 upstairs = 0;
    QB::Guid hotlink;
    QB::Guid wallUpstairs;
    QB::Guid hiddenWall;
    QB::Guid wallNotIn3D;
    QB::Guid column;
    QB::Guid columnSegment;
    QB::Guid door;
    QB::Guid object;
};

} // namespace TesselConnect::Test
