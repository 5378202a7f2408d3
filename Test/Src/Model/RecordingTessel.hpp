#pragma once

#include "Tessel/Api/Tessel.hpp"

#include <fmt/format.h>

#include <functional>
#include <string>
#include <vector>

namespace TesselConnect::Test {

// The page: records every call as one line and the states it is sent, and lets a test look at the
// project when a call arrives.
class RecordingTessel final : public Api::Tessel {
public:
    void InitCallbacks() override { calls.emplace_back("InitCallbacks"); }
    void SetAppState(const Api::AppState&) override { calls.emplace_back("SetAppState"); }
    void SetDocumentState(const Api::DocumentState& state) override {
        calls.emplace_back("SetDocumentState");
        documentStates.push_back(state);
    }
    void SetSelectionState(const Api::SelectionState& state) override {
        calls.emplace_back("SetSelectionState");
        selectionStates.push_back(state);
    }
    void AssociateSpec(const QB::UniString& specificationId, const QB::UniString& documentRef,
                       const QB::UniString& documentName) override {
        calls.push_back(fmt::format("AssociateSpec({}, {}, {})", specificationId, documentRef, documentName));
    }
    void RemoveSpecAssociation(const QB::UniString& specificationId,
                               const QB::UniString& documentRef) override {
        calls.push_back(fmt::format("RemoveSpecAssociation({}, {})", specificationId, documentRef));
    }
    void Associate(const Api::AssociableType& type, const QB::UniString& clauseId) override {
        calls.push_back(fmt::format("Associate({}, {}, {})", type.id, type.properties, clauseId));
        if (onAssociate) {
            onAssociate();
        }
    }
    void RemoveAssociation(const QB::UniString&, const QB::UniString&) override {
        calls.emplace_back("RemoveAssociation");
    }
    void SendAssociationFeedback(bool, const QB::UniString&) override {
        calls.emplace_back("SendAssociationFeedback");
    }
    void RequestClauseData(const QB::UniString&, const QB::UniString&,
                           const QB::Array<QB::UniString>&) override {
        calls.emplace_back("RequestClauseData");
    }

    std::vector<std::string> calls;
    std::vector<Api::DocumentState> documentStates;
    std::vector<Api::SelectionState> selectionStates;
    std::function<void()> onAssociate;
};

} // namespace TesselConnect::Test
