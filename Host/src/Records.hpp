#pragma once

// Host records made from the simulated project's content.

#include <VantrelSim/Project.hpp>

namespace VantrelSim {

API_Elem_Head HeaderOf(const Element& element);
API_Neig NeigOf(const Element& element);
API_ClassificationSystem RecordOf(const ClassificationSystem& system);
API_ClassificationItem RecordOf(const ClassificationItem& item);
API_PropertyGroup RecordOf(const PropertyGroup& group);

// The host's display name of an element type ("Curtain Wall Segment"); empty when unknown.
QB::UniString ElemTypeDisplayName(API_ElemTypeID type);

} // namespace VantrelSim
