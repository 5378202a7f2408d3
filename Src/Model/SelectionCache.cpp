#include "Model/SelectionCache.hpp"

#include "Model/Element.hpp"
#include "Util/Log/Log.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <VNAPI/VNAPI_GuidConversion.h>

#include <exception>
#include <utility>

namespace TesselConnect::Model {

namespace {

// The log form of a selected item.
std::string NeigText(const API_Neig& neig) {
    const char* kindName = API_NeigIDName(neig.neigID);
    const std::string kind =
        kindName != nullptr ? std::string(kindName) : fmt::format("Unknown:{}", neig.neigID);
    return fmt::format("{{ neigID: {}, guid:{} }}", kind, APIGuid2QBGuid(neig.guid));
}

} // namespace

bool SelectionCache::Update(Api::Vantrel& vnApi) {
    const QB::Array<QB::Guid> previous = std::exchange(_elements, {});
    _notEditableCount = 0;
    _hotlinkCount = 0;
    _skippedCount = 0;

    const Api::Selection selection = vnApi.Selection_Get(false, false, API_SelPos_Any);
    if (selection.info.kind != API_SelElems && previous.IsEmpty()) {
        return false;
    }
    if (selection.neigs.IsEmpty() && previous.IsEmpty()) {
        return false;
    }

    _elements.Reserve(selection.neigs.GetSize());
    for (const API_Neig& neig : selection.neigs) {
        try {
            const Element element(vnApi, APIGuid2QBGuid(neig.guid));
            switch (element.GetUsability(vnApi)) {
            case Element::Usability::NotExists:
            case Element::Usability::NotClassifyableByAddon:
                ++_skippedCount;
                break;
            case Element::Usability::NotInMyWorkspace:
            case Element::Usability::OnInvisibleLayer:
            case Element::Usability::OnLockedLayer:
            case Element::Usability::ElementLocked:
                ++_notEditableCount;
                _elements.Push(element.GetGuid());
                break;
            case Element::Usability::NotClassifyableHotlink:
                ++_hotlinkCount;
                ++_notEditableCount;
                _elements.Push(element.GetGuid());
                break;
            case Element::Usability::Editable:
                _elements.Push(element.GetGuid());
                break;
            }
        } catch (const std::exception& exception) {
            LOG_ERROR("exception: {}; neigs[i]: {}", exception.what(), NeigText(neig));
            ++_skippedCount;
        } catch (...) {
            LOG_ERROR("unknown exception; neigs[i]: {}", NeigText(neig));
            ++_skippedCount;
        }
    }
    return true;
}

} // namespace TesselConnect::Model
