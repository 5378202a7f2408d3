#include "ReuseCheck.hpp"

#include "FuzzWorld.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace TesselConnect::Fuzz {

namespace {

Entry running = nullptr;
std::size_t inputsSinceCheck = 0;

std::map<Entry, std::vector<std::uint8_t>>& CheckInputs() {
    static std::map<Entry, std::vector<std::uint8_t>> inputs;
    return inputs;
}

bool IsGuidAt(std::string_view text, std::size_t at) {
    constexpr std::string_view Shape = "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx";
    if (text.size() - at < Shape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < Shape.size(); ++i) {
        const char c = text[at + i];
        if (Shape[i] == '-' ? c != '-' : std::isxdigit(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
    }
    return true;
}

// Every guid written as text becomes "{guid N}", N counting distinct guids in order of appearance.
void NumberGuids(std::vector<std::string>& lines, std::map<std::string, std::size_t>& numbers) {
    constexpr std::size_t GuidLength = 36;
    for (std::string& line : lines) {
        std::string out;
        for (std::size_t i = 0; i < line.size();) {
            if (IsGuidAt(line, i)) {
                std::string guid = line.substr(i, GuidLength);
                std::transform(guid.begin(), guid.end(), guid.begin(),
                               [](char c) { return std::toupper(c); });
                const std::size_t number = numbers.try_emplace(guid, numbers.size() + 1).first->second;
                out += fmt::format("{{guid {}}}", number);
                i += GuidLength;
            } else {
                out += line[i++];
            }
        }
        line = std::move(out);
    }
}

Observation Normalised(Observation seen) {
    std::map<std::string, std::size_t> numbers;
    NumberGuids(seen.page, numbers);
    NumberGuids(seen.log, numbers);
    return seen;
}

constexpr std::size_t GuidBytes = 16;

// The add-on's own new guids are random (version 4, RFC 4122 variant); the host's are not.
bool IsRandomGuidAt(std::span<const std::byte> bytes, std::size_t at) {
    return at + GuidBytes <= bytes.size() && (static_cast<unsigned>(bytes[at + 6]) >> 4) == 4 &&
           (static_cast<unsigned>(bytes[at + 8]) >> 6) == 2;
}

// Where two stored forms part other than by random guids that stand for each other one to one
// (the same guid of one side always where the same guid of the other side is); nothing when
// they do not part.
std::optional<std::size_t> PartAt(std::span<const std::byte> reused, std::span<const std::byte> fresh,
                                  std::map<std::vector<std::byte>, std::vector<std::byte>>& pairs) {
    if (reused.size() != fresh.size()) {
        return std::mismatch(reused.begin(), reused.end(), fresh.begin(), fresh.end()).first - reused.begin();
    }
    for (std::size_t i = 0; i < reused.size();) {
        if (reused[i] == fresh[i]) {
            ++i;
            continue;
        }
        bool paired = false;
        for (std::size_t start = i >= GuidBytes - 1 ? i - (GuidBytes - 1) : 0; start <= i && !paired;
             ++start) {
            if (!IsRandomGuidAt(reused, start) || !IsRandomGuidAt(fresh, start)) {
                continue;
            }
            const std::vector<std::byte> mine(reused.begin() + static_cast<std::ptrdiff_t>(start),
                                              reused.begin() +
                                                  static_cast<std::ptrdiff_t>(start + GuidBytes));
            const std::vector<std::byte> theirs(fresh.begin() + static_cast<std::ptrdiff_t>(start),
                                                fresh.begin() +
                                                    static_cast<std::ptrdiff_t>(start + GuidBytes));
            const auto [at, added] = pairs.try_emplace(mine, theirs);
            if (at->second == theirs) {
                paired = true;
                i = start + GuidBytes;
            }
        }
        if (!paired) {
            return i;
        }
    }
    return std::nullopt;
}

void CompareStored(const Observation& reused, const Observation& fresh) {
    std::map<std::vector<std::byte>, std::vector<std::byte>> pairs;
    for (std::size_t i = 0; i < std::max(reused.stored.size(), fresh.stored.size()); ++i) {
        const bool both = i < reused.stored.size() && i < fresh.stored.size();
        if (both && reused.stored[i].first == fresh.stored[i].first &&
            !PartAt(reused.stored[i].second, fresh.stored[i].second, pairs).has_value()) {
            continue;
        }
        Fail("a reused world stores what a fresh one stores", __FILE__, __LINE__,
             both ? fmt::format("reused {}, fresh {}: {}", reused.stored[i].first, fresh.stored[i].first,
                                Difference(reused.stored[i].second, fresh.stored[i].second))
                  : fmt::format("{} stored objects in the reused world, {} in a fresh one",
                                reused.stored.size(), fresh.stored.size()));
    }
}

void Compare(std::string_view what, const std::vector<std::string>& reused,
             const std::vector<std::string>& fresh) {
    const auto [reusedAt, freshAt] = std::mismatch(reused.begin(), reused.end(), fresh.begin(), fresh.end());
    if (reusedAt == reused.end() && freshAt == fresh.end()) {
        return;
    }
    const auto line = [](const auto at, const auto end) {
        return at == end ? std::string("(nothing)") : at->substr(0, 2000);
    };
    Fail("a reused world answers as a fresh one", __FILE__, __LINE__,
         fmt::format("the reused world's {} part from a fresh world's at line {} of {} and {}:\nreused: "
                     "{}\nfresh:  {}",
                     what, reusedAt - reused.begin(), reused.size(), fresh.size(),
                     line(reusedAt, reused.end()), line(freshAt, fresh.end())));
}

Observation Observe(Entry entry, const std::vector<std::uint8_t>& input) {
    FuzzWorld& world = FuzzWorld::Reused();
    // What the last input left open goes before the observation: a fresh world has nothing open.
    world.Close();
    world.StartObserving();
    (void)entry(input.data(), input.size());
    Observation seen = world.StopObserving();
    world.Close();
    return Normalised(std::move(seen));
}

} // namespace

int RunInput(Entry entry, const std::uint8_t* data, std::size_t size) {
    running = entry;
    const int result = entry(data, size);
    // What an input made goes with it, so that the process's memory stays level between inputs.
    FuzzWorld::PutAway();
    if (++inputsSinceCheck >= CheckEvery) {
        inputsSinceCheck = 0;
        (void)CheckReuse(entry);
    }
    return result;
}

void CheckInputIs(const std::function<std::vector<std::uint8_t>()>& make) {
    if (running != nullptr && !CheckInputs().contains(running)) {
        CheckInputs().emplace(running, make());
    }
}

bool CheckReuse(Entry entry) {
    const auto found = CheckInputs().find(entry);
    if (found == CheckInputs().end()) {
        return false;
    }
    const std::vector<std::uint8_t> input = found->second;
    const Entry before = std::exchange(running, entry);
    const bool hadPage = FuzzWorld::Reused().HasPage();
    const Observation reused = Observe(entry, input);
    FuzzWorld::Replace(std::make_unique<FuzzWorld>()).reset();
    if (hadPage) {
        // The page is made once per world, before any input: its own loading is no input's answer.
        (void)FuzzWorld::Reused().Page();
    }
    const Observation fresh = Observe(entry, input);
    running = before;
    Compare("page traffic", reused.page, fresh.page);
    CompareStored(reused, fresh);
    Compare("log lines", reused.log, fresh.log);
    return true;
}

} // namespace TesselConnect::Fuzz
