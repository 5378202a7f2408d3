#pragma once

// The add-on's model over the simulated host with a generated project of a given size, as the
// add-on shell sets it up: the manager with a page attached, connected with a specification that
// uses the project's classification system, the 3D window in front (it lists every story), and a
// large mixed selection: every wall, column, beam and slab, about a fifth of the elements, some
// of them locked, hidden, hotlinked or parts of others.

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/Manager/Manager.hpp"
#include "Tessel/Api/Properties.hpp"
#include "Tessel/Api/Tessel.hpp"

#include <VantrelSim/Host.hpp>

#include <cstddef>
#include <memory>
#include <vector>

namespace Bench {

// A page that only counts what it is sent.
class CountingPage final : public TesselConnect::Api::Tessel {
public:
    void InitCallbacks() override {}
    void SetAppState(const TesselConnect::Api::AppState&) override { ++calls; }
    void SetDocumentState(const TesselConnect::Api::DocumentState&) override { ++calls; }
    void SetSelectionState(const TesselConnect::Api::SelectionState&) override { ++calls; }
    void AssociateSpec(const QB::UniString&, const QB::UniString&, const QB::UniString&) override { ++calls; }
    void RemoveSpecAssociation(const QB::UniString&, const QB::UniString&) override { ++calls; }
    void Associate(const TesselConnect::Api::AssociableType&, const QB::UniString&) override { ++calls; }
    void RemoveAssociation(const QB::UniString&, const QB::UniString&) override { ++calls; }
    void SendAssociationFeedback(bool, const QB::UniString&) override { ++calls; }
    void RequestClauseData(const QB::UniString&, const QB::UniString&,
                           const QB::Array<QB::UniString>&) override {
        ++calls;
    }

    std::size_t calls = 0;
};

class AddonSession {
public:
    static constexpr const char* SpecificationId = "spec-1";
    static constexpr const char* ClauseId = "clause-1";

    explicit AddonSession(std::size_t elements);
    ~AddonSession();
    AddonSession(const AddonSession&) = delete;
    AddonSession& operator=(const AddonSession&) = delete;

    // The clause's properties; `variant` changes its title, prefix and suffix.
    static TesselConnect::Api::Properties Clause(int variant);
    // Selects the elements in the host and lets the manager hear of it.
    void Select(const std::vector<QB::Guid>& elements);

    TesselConnect::Model::ConnectionWithSpecification& Connection();
    std::size_t SelectedCount() const { return selection.size(); }

    VantrelSim::Host host;
    std::shared_ptr<TesselConnect::Api::Vantrel> vantrel;
    std::shared_ptr<CountingPage> page = std::make_shared<CountingPage>();
    std::shared_ptr<TesselConnect::Model::Manager> manager;
    QB::Guid system;
    std::vector<QB::Guid> selection;
};

} // namespace Bench
