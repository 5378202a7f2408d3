#include "LargeConnection.hpp"

#include "Model/Issue/Collection.hpp"
#include "Model/Issue/ElementsAssociation.hpp"
#include "Model/PlanData.hpp"
#include "Model/TesselPtr.hpp"
#include "Model/VirtualType.hpp"
#include "Vantrel/Api/ModulDataWrapper/ModulDataWrapper.hpp"

#include <algorithm>
#include <vector>

namespace Bench {

using namespace TesselConnect;

namespace {

// The stored form of the session's connection with other clauses and issues: what the connection
// writes, made without going through thousands of associations.
class LargeConnectionForm {
public:
    LargeConnectionForm(Model::ConnectionWithSpecification& connection, std::size_t firstClause,
                        std::size_t clauses, const std::vector<QB::Guid>& erroredElements)
        : _connection(connection) {
        for (std::size_t i = firstClause; i < firstClause + clauses; ++i) {
            Api::Properties clause = AddonSession::Clause(static_cast<int>(i));
            const QB::UniString id = "clause-" + QB::ValueToUniString(static_cast<QB::UInt64>(i));
            clause.Put(Api::Properties::Name::ClauseId, id);
            _virtualTypes.push_back(std::make_shared<Model::VirtualType>(&connection, id, clause));
        }
        // Ten issues, each naming a tenth of the elements, about different clauses and reasons.
        using Reason = Model::Issue::ElementsAssociation::Type;
        constexpr Reason Reasons[] = {Reason::AssocOnLockedLayer, Reason::AssocLockedElement,
                                      Reason::AssocOnInvisibleLayer, Reason::AssocIsHotlink};
        const std::size_t perIssue = (erroredElements.size() + 9) / 10;
        for (std::size_t start = 0; start < erroredElements.size(); start += perIssue) {
            const Reason reason = Reasons[start / perIssue % 4];
            auto issue = std::make_shared<Model::Issue::ElementsAssociation>(
                reason, _virtualTypes[start / perIssue % _virtualTypes.size()]->GetVirtualTypeId(),
                Api::WindowId());
            for (std::size_t i = start; i < std::min(start + perIssue, erroredElements.size()); ++i) {
                issue->AddErroredElement(erroredElements[i]);
            }
            _issues.Add(issue);
        }
    }

    QB::ErrCode Write(QB::OChannel& oc) const {
        QB::OutputFrame frame(oc, Model::ConnectionWithSpecification::classInfo);
        oc.Write(false);
        _connection.GetClassificationSystem().Write(oc);
        _connection.GetPropertyGroup().Write(oc);
        for (const QB::UniString* text :
             {&_connection.TesselSpecificationId(), &_connection.TesselSpecificationTitle(),
              &_connection.TesselProjectId(), &_connection.TesselProjectTitle()}) {
            oc.Write(*text);
        }
        oc.Write(static_cast<QB::UInt32>(_virtualTypes.size()));
        for (const auto& virtualType : _virtualTypes) {
            virtualType->Write(oc);
        }
        _issues.Write(oc);
        return frame.End();
    }

private:
    Model::ConnectionWithSpecification& _connection;
    std::vector<std::shared_ptr<Model::VirtualType>> _virtualTypes;
    Model::Issue::Collection _issues;
};

} // namespace

LargeConnectionSession::LargeConnectionSession(std::size_t elements) : session(elements) {
    std::vector<QB::Guid> all;
    session.host.GetProject().ForEachElementOfType(
        API_NoElemTypeID, [&](const VantrelSim::Element& element) { all.push_back(element.guid); });
    clauses = elements / 10;
    auto& connection = session.Connection();
    record = Api::ModulDataWrapper::CreateForObject(LargeConnectionForm(connection, 0, clauses, all));
    const std::vector<QB::Guid> reordered(all.rbegin(), all.rend());
    otherRecord = Api::ModulDataWrapper::CreateForObject(
        LargeConnectionForm(connection, clauses / 2, clauses, reordered));
    session.host.GetProject().modulData.Put(connection.ModulDataName(), record);
    connection.RefreshFromStored();
}

std::unique_ptr<Model::ConnectionWithSpecificationFactory> LargeConnectionSession::NewFactory() const {
    return std::make_unique<Model::ConnectionWithSpecificationFactory>(
        session.vantrel, std::make_shared<Model::TesselPtr>(),
        std::make_shared<Model::PlanData>(session.vantrel));
}

} // namespace Bench
