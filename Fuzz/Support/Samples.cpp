#include "Samples.hpp"

#include "FuzzWorld.hpp"

#include "Model/Issue/CoudntUpdateProjectOrSpecTitle.hpp"
#include "Model/Issue/ElementsAssociation.hpp"
#include "Model/Issue/MissingClassificationItem.hpp"
#include "Model/Issue/MissingConnectionPart.hpp"
#include "Model/Issue/UnknownError.hpp"
#include "Model/Issue/UpdateElementsProperties.hpp"
#include "Vantrel/Api/Structs/WindowId.hpp"

#include <memory>

namespace TesselConnect::Fuzz {

Api::Properties SampleClause(const char* id, const char* code, const char* title) {
    return {{Api::Properties::Name::ClauseId, id},
            {Api::Properties::Name::Code, code},
            {Api::Properties::Name::Title, title},
            {Api::Properties::Name::Prefix, "Pr"},
            {Api::Properties::Name::Suffix, "Su"}};
}

Model::Issue::Issues SampleIssues(Api::Vantrel& vantrel) {
    const Api::WindowId window = Api::CaptureCurrentWindow(vantrel);
    auto association = std::make_shared<Model::Issue::ElementsAssociation>(
        Model::Issue::ElementsAssociation::AssocOnLockedLayer, ClauseId, window);
    association->AddErroredElement(Ids().lockedWall);
    auto update = std::make_shared<Model::Issue::UpdateElementsProperties>(
        Model::Issue::UpdateElementsProperties::LockedElement, ClauseId, window);
    update->AddErroredElement(Ids().walls[1]);
    update->AddErroredElement(Ids().walls[2]);
    Model::Issue::Issues issues;
    issues.Push(association);
    issues.Push(update);
    issues.Push(
        std::make_shared<Model::Issue::MissingClassificationItem>(SampleClause("C-9", "Z99", "Missing")));
    issues.Push(std::make_shared<Model::Issue::UnknownError>("Issue::Collection read error: unknown"));
    issues.Push(std::make_shared<Model::Issue::CoudntUpdateProjectOrSpecTitle>("Spec (Stage 4)", "Tower"));
    issues.Push(std::make_shared<Model::Issue::MissingConnectionPart>(
        Model::Issue::MissingConnectionPart::Part::Property, "ArdoTesselCode"));
    return issues;
}

} // namespace TesselConnect::Fuzz
