#pragma once

// What an element operation of a virtual type (associate, disassociate, rewrite properties)
// leaves behind: the issues it raised, at most one per failure reason, in the order they were
// created, and the elements it changed, in input order.

#include <QB/Array.hpp>
#include <QB/Guid.hpp>

#include <memory>

namespace TesselConnect::Model {

namespace Issue {
class Base;
}

struct AssociationResult {
    QB::Array<std::shared_ptr<Issue::Base>> issues;
    QB::Array<QB::Guid> elements;
};

} // namespace TesselConnect::Model
