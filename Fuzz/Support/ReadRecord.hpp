#pragma once

// A connection record read on its own, as the add-on reads one from the project, into a fresh
// connection over the world's manager.

#include "FuzzWorld.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Error/Errors.hpp"
#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"

#include <memory>

namespace TesselConnect::Fuzz {

// Nothing when the record does not read completely or a newer add-on wrote it.
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
    return connection;
}

} // namespace TesselConnect::Fuzz
