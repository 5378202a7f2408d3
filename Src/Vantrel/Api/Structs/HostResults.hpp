#pragma once

// Small results of host interface operations that bundle several host outputs.

#include <VNAPI/VNAPI.h>

#include <QB/Array.hpp>
#include <QB/Guid.hpp>
#include <QB/UniString.hpp>

namespace TesselConnect::Api {

// The current selection: the host's summary and one reference per selected item.
struct Selection {
    API_SelectionInfo info{};
    QB::Array<API_Neig> neigs;
};

// Where an element sits in a hierarchical (multi-part) element, and the owner asked for.
struct HierarchicalElementOwner {
    API_HierarchicalElemKind elemKind = API_SingleElemType; // 0 single, 1 main, 2 part, 3 unknown
    QB::Guid ownerGuid;
};

// The stored name and content of an add-on object.
struct AddOnObjectContent {
    QB::UniString name;
    API_DataBlock content;
};

} // namespace TesselConnect::Api
