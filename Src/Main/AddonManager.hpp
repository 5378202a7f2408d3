#pragma once

// The add-on's one manager. Created at initialisation or, when that failed, by the next menu
// command; released by FreeData. Main thread only.

#include "Model/Manager/Manager.hpp"

#include <memory>

namespace TesselConnect {

// Creates the manager over the host implementation unless it exists. False when creating it
// failed: that is logged critical and shown to the user as the host's critical-error report.
bool CheckRequirementsAndInitManager(bool showDialog);

// Empty before the manager is created and after it is released.
const std::shared_ptr<Model::Manager>& GetManager() noexcept;
void ReleaseManager() noexcept;

} // namespace TesselConnect
