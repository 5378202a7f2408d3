#pragma once

// The connection fixture's project for the issue tests: four walls and a connection holding the
// virtual type of clause "clause-1" (code F10, title Brick walls, no prefix or suffix).

#include "Src/Model/Connection/ConnectionFixture.hpp"

#include "Vantrel/Api/Structs/WindowId.hpp"

#include <QB/Array.hpp>
#include <QB/Guid.hpp>

namespace TesselConnect::Test {

class IssueProject : public ConnectionFixture {
protected:
    static inline const QB::UniString ClauseId{"clause-1"};

    void SetUp() override {
        walls = {wall1, wall2, AddWall(), AddWall()};
        Connect();
        connection->Associate(ClauseId, ClauseProperties("Brick walls"), {walls[0]}, false);
        ASSERT_TRUE(connection->HasVirtualType(ClauseId));
    }

    static Api::Properties ClauseProperties(const QB::UniString& title) {
        return Clause(ClauseId, "F10", title, "", "");
    }

    Api::WindowId FloorPlanWindow() {
        const VantrelSim::View* view = Project().FloorPlanOf(groundStory);
        return Api::WindowId(Api::DatabaseId(APIWind_FloorPlanID, view->index, view->databaseGuid),
                             groundStory, false);
    }

    QB::Array<QB::Guid> walls;
};

} // namespace TesselConnect::Test
