#include "Records.hpp"

#include <cctype>
#include <string>
#include <string_view>

namespace VantrelSim {

API_Elem_Head HeaderOf(const Element& element) {
    API_Elem_Head header = {};
    header.typeID = element.type;
    header.variationID = element.variation;
    header.guid = QBGuid2APIGuid(element.guid);
    header.hotlinkGuid = QBGuid2APIGuid(element.hotlink);
    header.layer = element.layer;
    header.floorInd = element.story;
    header.locked = element.locked;
    header.modiStamp = element.modiStamp;
    return header;
}

API_Neig NeigOf(const Element& element) {
    API_Neig neig = {};
    neig.neigID = element.type; // whole-element neig kinds share their type's value
    neig.guid = QBGuid2APIGuid(element.guid);
    return neig;
}

API_ClassificationSystem RecordOf(const ClassificationSystem& system) {
    API_ClassificationSystem record;
    record.guid = QBGuid2APIGuid(system.guid);
    record.name = system.name;
    record.description = system.description;
    record.source = system.source;
    record.editionVersion = system.editionVersion;
    return record;
}

API_ClassificationItem RecordOf(const ClassificationItem& item) {
    API_ClassificationItem record;
    record.guid = QBGuid2APIGuid(item.guid);
    record.id = item.id;
    record.name = item.name;
    record.description = item.description;
    return record;
}

API_PropertyGroup RecordOf(const PropertyGroup& group) {
    API_PropertyGroup record;
    record.guid = QBGuid2APIGuid(group.guid);
    record.groupType = group.type;
    record.name = group.name;
    record.description = group.description;
    return record;
}

QB::UniString ElemTypeDisplayName(API_ElemTypeID type) {
    const char* enumerator = API_ElemTypeIDName(type);
    if (enumerator == nullptr || type == API_NoElemTypeID) {
        return {};
    }
    // "API_CurtainWallSegmentID" reads "Curtain Wall Segment".
    std::string_view core(enumerator);
    core.remove_prefix(4);
    core.remove_suffix(2);
    std::string name;
    for (std::size_t i = 0; i < core.size(); ++i) {
        const auto c = static_cast<unsigned char>(core[i]);
        if (i > 0 && std::isupper(c) != 0) {
            name += ' ';
        }
        name += static_cast<char>(c);
    }
    return QB::UniString(name);
}

} // namespace VantrelSim
