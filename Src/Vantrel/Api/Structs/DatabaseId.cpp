#include "Vantrel/Api/Structs/DatabaseId.hpp"

#include "Util/Log/Log.hpp"

#include <ostream>

namespace TesselConnect::Api {

namespace {

std::unique_ptr<QB::Object> ConstructDatabaseId() {
    return std::make_unique<DatabaseId>();
}

} // namespace

const QB::ClassInfo DatabaseId::classInfo("Api::DatabaseId",
                                          QB::Guid("{e20e9a78-b868-4030-a4ca-73af7a3ba727}"), 1, 0,
                                          &ConstructDatabaseId);

DatabaseId::DatabaseId(const API_WindowInfo& window) noexcept
    : typeID(window.typeID), index(window.index), elemSetId(APIGuid2QBGuid(window.databaseUnId)) {}

DatabaseId::DatabaseId(const API_DatabaseInfo& database) noexcept
    : typeID(database.typeID), index(database.index), elemSetId(APIGuid2QBGuid(database.databaseUnId)) {}

API_WindowInfo DatabaseId::ToWindowInfo() const noexcept {
    API_WindowInfo window{};
    window.typeID = typeID;
    window.index = index;
    window.databaseUnId = QBGuid2APIGuid(elemSetId);
    return window;
}

API_DatabaseInfo DatabaseId::ToDatabaseInfo() const {
    API_DatabaseInfo database;
    database.typeID = typeID;
    database.index = index;
    database.databaseUnId = QBGuid2APIGuid(elemSetId);
    return database;
}

std::string DatabaseId::ToString() const {
    return fmt::format("{{typeID: {}, index: {}, elemSetId: {}}}", typeID, index, elemSetId);
}

std::unique_ptr<QB::Object> DatabaseId::Clone() const {
    return std::make_unique<DatabaseId>(*this);
}

QB::ErrCode DatabaseId::Read(QB::IChannel& ic) {
    QB::InputFrame frame(ic, classInfo);
    if (frame.GetStatus() != QB::NoError) {
        return frame.GetStatus();
    }
    if (frame.GetMainVersion() > classInfo.GetMainVersion()) {
        LOG_WARN("Api::DatabaseId: stored version {}.{} is newer than {}.{}", frame.GetMainVersion(),
                 frame.GetMinorVersion(), classInfo.GetMainVersion(), classInfo.GetMinorVersion());
        ic.SetError(QB::ErrorCorruptedData);
        return ic.GetStatus();
    }
    DatabaseId read;
    if (ic.Read(read.typeID) != QB::NoError || ic.Read(read.index) != QB::NoError ||
        ic.Read(read.elemSetId) != QB::NoError) {
        return ic.GetStatus();
    }
    const QB::ErrCode status = frame.End();
    if (status == QB::NoError) {
        *this = read;
    }
    return status;
}

QB::ErrCode DatabaseId::Write(QB::OChannel& oc) const {
    QB::OutputFrame frame(oc, classInfo);
    oc.Write(typeID);
    oc.Write(index);
    oc.Write(elemSetId);
    return frame.End();
}

void DatabaseId::Print(std::ostream& os) const {
    os << ToString();
}

} // namespace TesselConnect::Api
