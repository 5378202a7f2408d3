#pragma once

// The one connection a page (or the palette) follows: holds it by shared pointer and keeps the
// given observer attached to it, so switching, clearing and destroying the holder always leave the
// observer attached to exactly the held connection. Main thread only; nothing throws except
// std::bad_alloc.

#include "Model/ConnectionWithSpecification.hpp"
#include "Model/ConnectionWithSpecificationObserver.hpp"

#include <memory>

namespace TesselConnect::UI {

class ObservedConnection {
public:
    explicit ObservedConnection(Model::ConnectionWithSpecificationObserver& observer) noexcept
        : _observer(&observer) {}
    ~ObservedConnection();

    ObservedConnection(const ObservedConnection&) = delete;
    ObservedConnection& operator=(const ObservedConnection&) = delete;

    // Follows `conn` (an empty pointer follows none); false when it was followed already.
    bool Switch(const std::shared_ptr<Model::ConnectionWithSpecification>& conn);

    const std::shared_ptr<Model::ConnectionWithSpecification>& Get() const noexcept { return _conn; }
    bool Is(const std::shared_ptr<Model::ConnectionWithSpecification>& conn) const noexcept {
        return _conn != nullptr && _conn == conn;
    }

private:
    Model::ConnectionWithSpecificationObserver* _observer;
    std::shared_ptr<Model::ConnectionWithSpecification> _conn;
};

} // namespace TesselConnect::UI
