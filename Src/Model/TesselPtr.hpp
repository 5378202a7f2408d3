#pragma once

// The model's handle on the Tessel page: one holder, shared by the manager and every connection,
// of a weak reference to the current Api::Tessel. The browser tab attaches and detaches the page
// through the manager; everyone else calls Get for each use and skips the call when it is empty,
// so the page can come and go without the model noticing.
//
// Not copyable on purpose: a copy would stop seeing later attachments. Share it by shared_ptr.
// Main thread only.

#include <memory>
#include <utility>

namespace TesselConnect::Api {
class Tessel;
}

namespace TesselConnect::Model {

class TesselPtr {
public:
    TesselPtr() = default;
    explicit TesselPtr(std::weak_ptr<Api::Tessel> tessel) : _tessel(std::move(tessel)) {}

    TesselPtr(const TesselPtr&) = delete;
    TesselPtr& operator=(const TesselPtr&) = delete;

    // The page interface while it is attached and alive, else empty.
    std::shared_ptr<Api::Tessel> Get() const noexcept { return _tessel.lock(); }
    // An empty reference detaches the page.
    void Set(std::weak_ptr<Api::Tessel> tessel) noexcept { _tessel = std::move(tessel); }

private:
    std::weak_ptr<Api::Tessel> _tessel;
};

} // namespace TesselConnect::Model
