#pragma once

// Issue classes are recreated by class guid, which only works for classes whose registration
// made it into the program: referencing every kind here keeps a static-library link from
// dropping the ones nothing else in the program constructs.

namespace TesselConnect::Model::Issue {

// Cheap after the first call; returns whether all issue classes are registered.
bool EnsureIssueClassesRegistered();

} // namespace TesselConnect::Model::Issue
