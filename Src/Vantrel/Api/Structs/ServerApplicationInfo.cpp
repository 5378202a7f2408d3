#include "Vantrel/Api/Structs/ServerApplicationInfo.hpp"

namespace TesselConnect::Api {

ServerApplicationInfo ServerApplicationInfo::FromHost(const API_ServerApplicationInfo& info) {
    ServerApplicationInfo result;
    result.serverApplication = info.serverApplication;
    result.mainVersion = info.mainVersion;
    result.releaseVersion = info.releaseVersion;
    result.runningInBackground = info.runningInBackground;
    result.buildNum = info.buildNum;
    result.language = info.language;
    result.ssaEnabled = info.ssaEnabled;
    result.partnerID = info.partnerID;
    return result;
}

std::string ServerApplicationInfo::ToString() const {
    return fmt::format("{{\"serverApplication\": {}, \"mainVersion\": {}, \"releaseVersion\": {}, "
                       "\"runningInBackground\": {}, \"buildNum\": {}, \"language\": {}, \"ssaEnabled\": {}, "
                       "\"partnerID\": {}}}",
                       serverApplication, mainVersion, releaseVersion, runningInBackground ? 1 : 0, buildNum,
                       language, ssaEnabled ? 1 : 0, partnerID);
}

} // namespace TesselConnect::Api
