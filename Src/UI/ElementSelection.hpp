#pragma once

// What the pages' select and zoom buttons do in the host: replace the selection by some elements
// (and the owners of hierarchical ones; elements deleted meanwhile are left out) and, when asked
// and there were elements, zoom to the selection. Host errors pass to the caller (the button
// handler), which logs them.

#include <QB/Array.hpp>
#include <QB/Guid.hpp>

namespace TesselConnect::Api {
class Vantrel;
}

namespace TesselConnect::UI {

enum class ZoomAfterSelecting { No, Yes };

// Returns whether there were elements to select.
bool SelectElementsInHost(Api::Vantrel& vnApi, const QB::Array<QB::Guid>& elemGuids, ZoomAfterSelecting zoom);

} // namespace TesselConnect::UI
