#pragma once

// The connection factory over the small project of the connection tests, with a second
// classification system "Other" (item F10) so that two specifications can be connected.

#include "../Connection/ConnectionFixture.hpp"

#include "Model/ConnectionWithSpecificationFactory.hpp"

#include <VantrelSim/ProjectBuilder.hpp>

#include <QB/Channel.hpp>

#include <memory>

namespace TesselConnect::Test {

class FactoryFixture : public ConnectionFixture {
protected:
    static constexpr const char* OtherSpecId = "spec-2";
    static constexpr const char* OtherModulDataName = "ConnectionWithSpecification:spec-2";

    FactoryFixture() {
        VantrelSim::ProjectBuilder build(Project());
        otherSystemGuid = build.AddSystem("Other", "1");
        build.AddItem(otherSystemGuid, "F10", "Walls");
    }

    ~FactoryFixture() override {
        // The connections go before the factory that made them, and before the fixture's host.
        if (connection != nullptr) {
            connection->Detach(observer);
        }
        connection.reset();
        factory.reset();
    }

    std::shared_ptr<Model::ConnectionWithSpecification>
    ConnectThroughFactory(const QB::UniString& specId = SpecId, const QB::Guid* system = nullptr) {
        return factory->Cmd_Connect(system != nullptr ? *system : systemGuid, specId, "Spec " + specId,
                                    "proj-1", "Project");
    }

    // A record holding `conn`'s stored form written with another platform's protocol.
    static API_ModulData RecordOf(const Model::ConnectionWithSpecification& conn,
                                  QB::Protocol protocol = QB::PlatformProtocol,
                                  API_PlatformSign platformSign = API_PlatformSign_LittleEndian) {
        API_ModulData record;
        record.dataVersion = 1;
        record.platformSign = platformSign;
        record.dataHdl = Bytes(conn, protocol);
        return record;
    }

    std::unique_ptr<Model::ConnectionWithSpecificationFactory> factory =
        std::make_unique<Model::ConnectionWithSpecificationFactory>(vantrel, tesselPtr, planData);
    QB::Guid otherSystemGuid;
};

} // namespace TesselConnect::Test
