#pragma once

// The host's current element selection as the add-on sees it: the selected elements that are
// candidates for an association (a section element listed as the model element it shows) and
// counters for the rest.
//
// Owned by the manager, rebuilt on every host selection-change notification, never stored.
// Host main thread only. Update never throws for a single element: an element that cannot be
// read is logged and counted as skipped.

#include <QB/Array.hpp>
#include <QB/Guid.hpp>
#include <QB/Types.hpp>

namespace TesselConnect::Api {
class Vantrel;
}

namespace TesselConnect::Model {

class SelectionCache {
public:
    SelectionCache() = default;

    // Rebuilds the cache from the host selection. False means nothing is selected now and
    // nothing was before (the caller has nothing to publish); true means the cache was rebuilt.
    // Host failures of the selection query itself pass to the caller.
    bool Update(Api::Vantrel& vnApi);

    // Candidates in the host's selection order.
    const QB::Array<QB::Guid>& GetElements() const noexcept { return _elements; }
    // Candidates that are not editable (usability NotInMyWorkspace to NotClassifyableHotlink).
    QB::UInt64 GetNotEditableCount() const noexcept { return _notEditableCount; }
    // Candidates that are part of a hotlink.
    QB::UInt64 GetHotlinkCount() const noexcept { return _hotlinkCount; }
    // Selected elements that are not candidates: gone, not classifiable, or unreadable.
    QB::UInt64 GetSkippedCount() const noexcept { return _skippedCount; }

private:
    QB::Array<QB::Guid> _elements;
    QB::UInt64 _notEditableCount = 0;
    QB::UInt64 _hotlinkCount = 0;
    QB::UInt64 _skippedCount = 0;
};

} // namespace TesselConnect::Model
