#include "Explore/Shrinker.hpp"

#include "Json.hpp"

#include <algorithm>

namespace VantrelSim::Tool {

namespace {

using Document = Json::Document;
using Value = Json::Value;

std::string Write(const Value& value) {
    Json::StringBuffer buffer;
    Json::Writer<Json::StringBuffer> writer(buffer);
    value.Accept(writer);
    return buffer.GetString();
}

// Keys whose texts a user typed: a one-letter text tells as much when the length did not matter.
constexpr const char* TypedKeys[] = {"title",        "prefix", "suffix", "value", "specificationTitle",
                                     "projectTitle", "text",   "name"};
// Keys a step may do without.
constexpr const char* OptionalKeys[] = {"answers", "faults", "meanwhile", "note"};
// Lists where fewer items may do.
constexpr const char* ListKeys[] = {"elements", "changes", "arguments"};

class Budget {
public:
    Budget(const StillFails& stillFails, const ShrinkLimits& limits)
        : _stillFails(stillFails), _limits(limits), _start(std::chrono::steady_clock::now()) {}

    bool Left() const {
        return _tries < _limits.tries &&
               (!_limits.time || std::chrono::steady_clock::now() - _start < *_limits.time);
    }
    bool Fails(const std::vector<std::string>& steps) {
        ++_tries;
        return _stillFails(steps);
    }
    std::size_t Tries() const { return _tries; }

private:
    const StillFails& _stillFails;
    const ShrinkLimits& _limits;
    std::chrono::steady_clock::time_point _start;
    std::size_t _tries = 0;
};

// Removes chunks of steps, halving the chunks while nothing can go.
void DropSteps(std::vector<std::string>& steps, Budget& budget) {
    std::size_t parts = 2;
    while (steps.size() >= 2 && budget.Left()) {
        const std::size_t chunk = (steps.size() + parts - 1) / parts;
        bool dropped = false;
        for (std::size_t start = 0; start < steps.size() && budget.Left(); start += chunk) {
            std::vector<std::string> candidate(steps.begin(),
                                               steps.begin() + static_cast<std::ptrdiff_t>(start));
            candidate.insert(candidate.end(),
                             steps.begin() +
                                 static_cast<std::ptrdiff_t>(std::min(start + chunk, steps.size())),
                             steps.end());
            if (!candidate.empty() && budget.Fails(candidate)) {
                steps = std::move(candidate);
                parts = std::max<std::size_t>(parts - 1, 2);
                dropped = true;
                break;
            }
        }
        if (!dropped) {
            if (chunk == 1) {
                // A step and the next one that takes it back (an undo) go only together.
                for (std::size_t first = 0; first + 1 < steps.size() && budget.Left() && !dropped; ++first) {
                    std::vector<std::string> candidate = steps;
                    candidate.erase(candidate.begin() + static_cast<std::ptrdiff_t>(first),
                                    candidate.begin() + static_cast<std::ptrdiff_t>(first + 2));
                    if (!candidate.empty() && budget.Fails(candidate)) {
                        steps = std::move(candidate);
                        dropped = true;
                    }
                }
                if (!dropped) {
                    return;
                }
                continue;
            }
            parts = std::min(parts * 2, steps.size());
        }
    }
}

} // namespace

std::vector<std::string> SimplerSteps(const std::string& step) {
    Document original;
    original.Parse(step.data(), step.size());
    if (original.HasParseError() || !original.IsObject()) {
        return {};
    }
    std::vector<std::string> simpler;
    const auto variant = [&](const std::function<bool(Document&)>& change) {
        Document copy;
        copy.CopyFrom(original, copy.GetAllocator());
        if (change(copy)) {
            simpler.push_back(Write(copy));
        }
    };
    for (const char* key : OptionalKeys) {
        variant([&](Document& copy) { return copy.RemoveMember(key); });
    }
    for (const char* key : ListKeys) {
        const auto member = original.FindMember(key);
        if (member == original.MemberEnd() || !member->value.IsArray() || member->value.Size() < 2) {
            continue;
        }
        // Without each item in turn.
        for (Json::SizeType drop = 0; drop < member->value.Size(); ++drop) {
            variant([&](Document& copy) {
                Value& list = copy[key];
                list.Erase(list.Begin() + drop);
                return true;
            });
        }
    }
    // Texts typed into the step, also inside its element and its other users' changes.
    const std::function<bool(Value&, Json::Document::AllocatorType&)> shorten = [&](Value& value,
                                                                                    auto& allocator) {
        bool changed = false;
        if (value.IsObject()) {
            for (auto member = value.MemberBegin(); member != value.MemberEnd(); ++member) {
                const std::string key = member->name.GetString();
                const bool typed = std::any_of(std::begin(TypedKeys), std::end(TypedKeys),
                                               [&](const char* name) { return key == name; });
                if (typed && member->value.IsString() && member->value.GetStringLength() > 1 &&
                    !(key == "name" && value.HasMember("type"))) {
                    member->value.SetString("x", allocator);
                    changed = true;
                } else {
                    changed = shorten(member->value, allocator) || changed;
                }
            }
        } else if (value.IsArray()) {
            for (auto& item : value.GetArray()) {
                changed = shorten(item, allocator) || changed;
            }
        }
        return changed;
    };
    variant([&](Document& copy) { return shorten(copy, copy.GetAllocator()); });
    return simpler;
}

ShrinkResult ShrinkSteps(std::vector<std::string> steps, const StillFails& stillFails,
                         const ShrinkLimits& limits) {
    Budget budget(stillFails, limits);
    DropSteps(steps, budget);
    // Each step as simple as it can be, until a round changes nothing.
    for (bool changed = true; changed && budget.Left();) {
        changed = false;
        for (std::size_t i = 0; i < steps.size() && budget.Left(); ++i) {
            for (const std::string& simpler : SimplerSteps(steps[i])) {
                if (!budget.Left()) {
                    break;
                }
                std::vector<std::string> candidate = steps;
                candidate[i] = simpler;
                if (budget.Fails(candidate)) {
                    steps = std::move(candidate);
                    changed = true;
                    break;
                }
            }
        }
    }
    // Simpler steps may leave others unneeded.
    DropSteps(steps, budget);
    return ShrinkResult{std::move(steps), budget.Tries()};
}

} // namespace VantrelSim::Tool
