#pragma once

// A connection record read on its own, as the add-on reads one from the project, into a fresh
// connection over the world's manager.

#include "CollectionRefusal.hpp"
#include "FuzzWorld.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/Errors.hpp"
#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"

#include <memory>

namespace TesselConnect::Fuzz {

// An empty connection over the reused world's manager (opened on the connected project when none is).
inline std::shared_ptr<Model::ConnectionWithSpecification> EmptyConnection() {
    FuzzWorld& world = FuzzWorld::Reused();
    if (world.manager == nullptr) {
        world.Open(ConnectedProject());
    }
    return std::make_shared<Model::ConnectionWithSpecification>(world.vantrel, world.manager->GetTesselPtr(),
                                                                world.manager->GetPlanData());
}

// Nothing when the record does not read completely or a newer add-on wrote it. A record that reads
// but whose issue collection was refused must have a damaged collection (CollectionRefusal.hpp).
inline std::shared_ptr<Model::ConnectionWithSpecification> ReadRecord(FuzzWorld& world,
                                                                      const API_ModulData& record) {
    auto connection = std::make_shared<Model::ConnectionWithSpecification>(
        world.vantrel, world.manager->GetTesselPtr(), world.manager->GetPlanData());
    try {
        if (Api::ModulDataWrapper::ReadObject(record, *connection) != QB::NoError) {
            return nullptr;
        }
    } catch (const Model::Error::VersionIncompatibility&) {
        return nullptr;
    }
    CheckRecordCollectionKept(record);
    return connection;
}

} // namespace TesselConnect::Fuzz
