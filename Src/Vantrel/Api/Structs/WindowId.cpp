#include "Vantrel/Api/Structs/WindowId.hpp"

#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <ostream>

namespace TesselConnect::Api {

namespace {

std::unique_ptr<QB::Object> ConstructWindowId() {
    return std::make_unique<WindowId>();
}

} // namespace

const QB::ClassInfo WindowId::classInfo("Api::WindowId", QB::Guid("{4c28cbfd-b871-4507-b0b9-c70630d7b8b0}"),
                                        1, 0, &ConstructWindowId);

std::string WindowId::ToString() const {
    return fmt::format("{{\"_databaseId\": {}, \"_storyNumber\": {}}}", _databaseId, _storyNumber);
}

std::unique_ptr<QB::Object> WindowId::Clone() const {
    return std::make_unique<WindowId>(*this);
}

QB::ErrCode WindowId::Read(QB::IChannel& ic) {
    QB::InputFrame frame(ic, classInfo);
    if (frame.GetStatus() != QB::NoError) {
        return frame.GetStatus();
    }
    if (frame.GetMainVersion() > classInfo.GetMainVersion()) {
        LOG_WARN("Api::WindowId: stored version {}.{} is newer than {}.{}", frame.GetMainVersion(),
                 frame.GetMinorVersion(), classInfo.GetMainVersion(), classInfo.GetMinorVersion());
        ic.SetError(QB::ErrorCorruptedData);
        return ic.GetStatus();
    }
    WindowId read;
    if (read._databaseId.Read(ic) != QB::NoError || ic.Read(read._storyNumber) != QB::NoError ||
        ic.Read(read.projectionFlag) != QB::NoError) {
        return ic.GetStatus();
    }
    const QB::ErrCode status = frame.End();
    if (status == QB::NoError) {
        *this = read;
    }
    return status;
}

QB::ErrCode WindowId::Write(QB::OChannel& oc) const {
    QB::OutputFrame frame(oc, classInfo);
    _databaseId.Write(oc);
    oc.Write(_storyNumber);
    oc.Write(projectionFlag);
    return frame.End();
}

void WindowId::Print(std::ostream& os) const {
    os << ToString();
}

WindowId CaptureCurrentWindow(Vantrel& vantrel) {
    const DatabaseId databaseId(vantrel.Database_GetCurrentWindow());
    QB::Int16 storyNumber = 0;
    bool projectionFlag = false;
    if (databaseId.typeID == APIWind_FloorPlanID) {
        storyNumber = vantrel.Environment_GetStorySettings().currentStory;
    } else if (databaseId.typeID == APIWind_3DModelID) {
        projectionFlag = vantrel.Environment_Get3DProjectionSets().isPerspective;
    }
    return WindowId(databaseId, storyNumber, projectionFlag);
}

QB::UniString GetWindowName(Vantrel& vantrel, const WindowId& windowId) {
    switch (windowId.GetDatabaseId().typeID) {
    case APIWind_FloorPlanID:
        return vantrel.Environment_GetStorySettings().GetStoryName(windowId.GetStoryNumber());
    case APIWind_3DModelID:
        return "3D View";
    default:
        return vantrel.Database_GetDatabaseInfo(windowId.GetDatabaseId()).title;
    }
}

void GoToWindow(Vantrel& vantrel, const WindowId& windowId) {
    vantrel.Automate_ChangeWindow(windowId.GetDatabaseId());
    if (windowId.GetDatabaseId().typeID == APIWind_FloorPlanID) {
        API_StoryCmd storyCmd{};
        storyCmd.action = APIStory_GoTo;
        storyCmd.index = windowId.GetStoryNumber();
        storyCmd.redraw = 1;
        vantrel.Environment_ChangeStorySettings(storyCmd);
    }
}

} // namespace TesselConnect::Api
