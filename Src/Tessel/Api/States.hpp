#pragma once

// The state records the add-on pushes to the Tessel page and answers its state query with.
// Plain values, filled by the manager and written as JSON by the bridge.

#include "Tessel/Api/AssociableType.hpp"

#include <QB/Array.hpp>
#include <QB/UniString.hpp>

namespace TesselConnect::Api {

struct AppState {
    friend bool operator==(const AppState&, const AppState&) = default;

    QB::UniString app;           // name of the host application
    QB::UniString appVersion;    // host version, three numbers joined by dots
    QB::UniString pluginVersion; // version of this add-on
    QB::Array<QB::UniString> supportedFeatures;
};

struct DocumentState {
    friend bool operator==(const DocumentState&, const DocumentState&) = default;

    // Empty when no project is open; the page then receives no document at all.
    QB::UniString documentRef;
    QB::UniString documentName;
};

struct SelectionState {
    friend bool operator==(const SelectionState&, const SelectionState&) = default;

    // The type that describes the current selection; an empty id means nothing is selected.
    AssociableType type;
};

struct AllState {
    friend bool operator==(const AllState&, const AllState&) = default;

    SelectionState selectionState;
    DocumentState documentState;
    AppState appState;
};

} // namespace TesselConnect::Api
