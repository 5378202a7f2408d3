#pragma once

// Large projects for benchmarks and load tests: many elements over the classifiable types,
// stories and layers, with hotlinked elements, hierarchical elements and their parts (curtain
// walls, stairs, railings, beams and columns with segments, multi-element objects), section
// elements showing model elements, and a classification system whose items some elements
// carry. The same options always give the same project (guids included).

#include <VantrelSim/Project.hpp>

#include <cstddef>

namespace VantrelSim {

struct LargeProjectOptions {
    std::size_t elements = 10000; // model elements, parts included
    QB::Int16 stories = 10;
    QB::Int32 layers = 20; // the last ones hidden and locked in turn
    std::size_t hotlinks = 5;
    double hotlinkedShare = 0.05;      // of the single elements
    double hierarchicalShare = 0.10;   // of the elements that are main elements or their parts
    double sectionElementShare = 0.02; // section elements, each showing a model element
    std::size_t classificationItems = 200;
    double classifiedShare = 0.30; // of the classifiable elements
    std::uint32_t seed = 1;
};

Project GenerateLargeProject(const LargeProjectOptions& options = {});

} // namespace VantrelSim
