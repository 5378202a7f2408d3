#include "UI/ElementSelection.hpp"

#include "Model/Element.hpp"
#include "Vantrel/Api/Vantrel.hpp"

namespace TesselConnect::UI {

bool SelectElementsInHost(Api::Vantrel& vnApi, const QB::Array<QB::Guid>& elemGuids,
                          ZoomAfterSelecting zoom) {
    Model::Element::Select(vnApi, elemGuids);
    const bool hadElements = !elemGuids.IsEmpty();
    if (hadElements && zoom == ZoomAfterSelecting::Yes) {
        vnApi.Do_ZoomToSelected();
    }
    return hadElements;
}

} // namespace TesselConnect::UI
