#pragma once

// The add-on's resource module as the dialog library needs it for pages, dialogs, alerts and
// icons: the handle the host gives the add-on for its own file, or, where the host has none, the
// module the add-on registered for itself at load. Main thread; never throws.

#include <PK/Icon.hpp>

#include <QB/Resource.hpp>

namespace TesselConnect::UI {

QB::ResModule GetAddonResModule();

// An icon of the add-on's module.
PK::Icon AddonIcon(QB::ResId iconId);

} // namespace TesselConnect::UI
