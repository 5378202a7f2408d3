#pragma once

// The walk's only source of chance. A seed gives the same draws with every standard library: the
// engine's output is fixed by the standard, and the bounded draw is our own (rejection sampling),
// where the library's distributions may differ between implementations.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace VantrelSim::Tool {

class WalkRandom {
public:
    explicit WalkRandom(std::uint64_t seed) : _engine(seed) {}

    // A number from 0 to bound - 1 (0 when bound is 0), every one equally likely.
    std::uint64_t Below(std::uint64_t bound) {
        if (bound <= 1) {
            return 0;
        }
        // The largest multiple of bound the engine reaches; draws above it would favour small values.
        const std::uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
        std::uint64_t draw = _engine();
        while (draw >= limit) {
            draw = _engine();
        }
        return draw % bound;
    }
    // True with the given chance (0 to 1), to a millionth.
    bool Chance(double share) { return static_cast<double>(Below(1'000'000)) < share * 1'000'000.0; }
    template <typename Item> const Item& Pick(const std::vector<Item>& items) {
        return items[static_cast<std::size_t>(Below(items.size()))];
    }
    // An index chosen by weight; weights of 0 are never chosen. All 0: the last index.
    std::size_t Weighted(const std::vector<unsigned>& weights) {
        std::uint64_t total = 0;
        for (const unsigned weight : weights) {
            total += weight;
        }
        std::uint64_t draw = Below(total);
        for (std::size_t i = 0; i < weights.size(); ++i) {
            if (draw < weights[i]) {
                return i;
            }
            draw -= weights[i];
        }
        return weights.empty() ? 0 : weights.size() - 1;
    }

private:
    std::mt19937_64 _engine;
};

} // namespace VantrelSim::Tool
