#include "UI/ObservedConnection.hpp"

namespace TesselConnect::UI {

ObservedConnection::~ObservedConnection() {
    Switch(nullptr);
}

bool ObservedConnection::Switch(const std::shared_ptr<Model::ConnectionWithSpecification>& conn) {
    if (conn == _conn) {
        return false;
    }
    if (_conn != nullptr) {
        _conn->Detach(*_observer);
    }
    _conn = conn;
    if (_conn != nullptr) {
        _conn->Attach(*_observer);
    }
    return true;
}

} // namespace TesselConnect::UI
