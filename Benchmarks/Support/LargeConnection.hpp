#pragma once

// A connection whose record is large: a clause per ten elements of the project and issues naming
// every element, and another user's copy of it (half of its clauses new, its issues naming the
// elements in another order). Its stored form is written directly, as the connection writes it,
// rather than through thousands of associations each storing the growing record again.

#include "AddonSession.hpp"

#include "Model/ConnectionWithSpecificationFactory.hpp"

#include <VNAPI/VNAPI.h>

#include <cstddef>
#include <memory>

namespace Bench {

class LargeConnectionSession {
public:
    explicit LargeConnectionSession(std::size_t elements);

    // A factory of its own that has loaded nothing.
    std::unique_ptr<TesselConnect::Model::ConnectionWithSpecificationFactory> NewFactory() const;

    AddonSession session;
    std::size_t clauses = 0;
    API_ModulData record;      // what the connection has read
    API_ModulData otherRecord; // the other user's copy
};

} // namespace Bench
