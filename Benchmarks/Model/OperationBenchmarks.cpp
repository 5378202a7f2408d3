// The operations a user waits on, over generated projects, each against its host-call floor
// (Support/FloorMeasure.hpp): associating a large mixed selection, removing the association,
// rewriting a clause's texts on its elements, consolidating, the selection state sent to the page,
// and rebuilding the unassociated-elements cache.

#include "../Support/AddonSession.hpp"
#include "../Support/FloorMeasure.hpp"

#include "Model/PlanData.hpp"
#include "Model/UnassociatedElementsCache.hpp"

#include <benchmark/benchmark.h>

namespace {

using Bench::AddonSession;

std::size_t Elements(const benchmark::State& state) {
    return static_cast<std::size_t>(state.range(0));
}

std::function<std::size_t()> PageCalls(const AddonSession& session) {
    return [&session] { return session.page->calls; };
}

void Associate(AddonSession& session) {
    session.manager->Handle_associationRequested(AddonSession::ClauseId, AddonSession::SpecificationId,
                                                 AddonSession::ClauseId, AddonSession::Clause(0));
}

void AssociateSelection(benchmark::State& state) {
    AddonSession session(Elements(state));
    Bench::MeasureAgainstFloor(state, session.host,
                               {.run = [&] { Associate(session); },
                                .elements = session.SelectedCount(),
                                .pageCalls = PageCalls(session)});
}

void RemoveAssociation(benchmark::State& state) {
    AddonSession session(Elements(state));
    Associate(session);
    Bench::MeasureAgainstFloor(state, session.host,
                               {.run =
                                    [&] {
                                        session.manager->Handle_removeAssociationRequested(
                                            AddonSession::ClauseId, AddonSession::SpecificationId,
                                            AddonSession::ClauseId, AddonSession::Clause(0));
                                    },
                                .elements = session.SelectedCount(),
                                .pageCalls = PageCalls(session)});
}

// The page sends changed texts of a clause that the whole selection is associated with.
void UpdateClauseTexts(benchmark::State& state) {
    AddonSession session(Elements(state));
    Associate(session);
    const auto update = [&session](int variant) {
        session.manager->Handle_updateProperties(session.manager->GetPlanData()->GetId(), "",
                                                 {{AddonSession::ClauseId, AddonSession::Clause(variant)}});
    };
    const std::size_t associated =
        session.Connection().GetElementsOfVirtualType(AddonSession::ClauseId).GetSize();
    // The undo takes the elements' texts back but not the clause's: the add-on takes the old texts
    // again, comparing every element and finding nothing to write, before each timed part.
    auto& connection = session.Connection();
    Bench::MeasureAgainstFloor(
        state, session.host,
        {.run = [&] { update(1); },
         .settle =
             [&] { connection.UpdateProperties(AddonSession::ClauseId, AddonSession::Clause(0), true); },
         .elements = associated,
         .pageCalls = PageCalls(session)});
}

// The issues tab's consolidation: issues forget deleted elements, and every associated element
// gets its clause's texts again (here a third of them had been changed by hand).
void Consolidate(benchmark::State& state) {
    AddonSession session(Elements(state));
    Associate(session);
    auto& connection = session.Connection();
    const QB::Array<QB::Guid> associated = connection.GetElementsOfVirtualType(AddonSession::ClauseId);
    const API_Guid definition = QBGuid2APIGuid(
        connection.GetPropertyGroup().GetDefinitionGuid(TesselConnect::Api::Properties::Name::Title));
    QB::Array<API_Guid> altered;
    for (QB::USize i = 0; i < associated.GetSize(); i += 3) {
        altered.Push(QBGuid2APIGuid(associated[i]));
    }
    session.host.RunUndoableCommand("Edit by hand", [&] {
        API_Property property;
        property.definition.guid = definition;
        property.isDefault = false;
        property.value.variantStatus = API_VariantStatusNormal;
        property.value.singleVariant.type = API_PropertyStringValueType;
        property.value.singleVariant.uniStringValue = "changed by hand";
        return session.host.FunctionTable().VNAPI_ElementList_ModifyPropertyValue(session.host.Token(),
                                                                                  &property, &altered);
    });
    Bench::MeasureAgainstFloor(state, session.host,
                               {.run =
                                    [&] {
                                        connection.RefreshIssues();
                                        connection.UpdateAllElementProperties();
                                    },
                                .elements = associated.GetSize(),
                                .pageCalls = PageCalls(session)});
}

// From the host's selection change to the state the page is sent, over a selection of
// associated and unassociated elements.
void SelectionState(benchmark::State& state) {
    AddonSession session(Elements(state));
    Associate(session);
    std::vector<QB::Guid> mixed = session.selection;
    session.host.GetProject().ForEachElementOfType(
        API_WindowID, [&](const VantrelSim::Element& element) { mixed.push_back(element.guid); });
    session.host.SetSelection(mixed);
    Bench::MeasureAgainstFloor(state, session.host,
                               {.run = [&] { session.manager->VNEvent_SelectionChanged(API_Neig{}); },
                                .elements = mixed.size(),
                                .pageCalls = PageCalls(session)});
}

void UnassociatedElementsCacheReset(benchmark::State& state) {
    AddonSession session(Elements(state));
    Associate(session);
    auto& cache = session.Connection().GetUnassociatedElementsCache();
    Bench::MeasureAgainstFloor(state, session.host,
                               {.run = [&] { cache.Reset(true); },
                                .elements = session.host.GetProject().ElementCount(),
                                .pageCalls = PageCalls(session)});
}

ATC_FLOOR_BENCHMARK(AssociateSelection);
ATC_FLOOR_BENCHMARK(RemoveAssociation);
ATC_FLOOR_BENCHMARK(UpdateClauseTexts);
ATC_FLOOR_BENCHMARK(Consolidate);
ATC_FLOOR_BENCHMARK(SelectionState);
ATC_FLOOR_BENCHMARK(UnassociatedElementsCacheReset);

} // namespace
