// bench-table FILE.json...: the table of docs/performance.md from Google Benchmark's JSON output.
//
// One row per benchmark, with its 10,000- and 100,000-element runs side by side: the add-on's
// processor time, the floor's and their ratio where the benchmark measured a floor, the host calls
// per element, the calls to the page, and the growth t(100k)/t(10k). With repetitions the
// medians are used; without, the single runs. Counters whose names end in "PerElement" or
// "PerErroredElement" and contain "Bytes" go into a second table, of memory.

#include <rapidjson/document.h>
#include <rapidjson/istreamwrapper.h>

#include <fmt/format.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Run {
    double time = 0.0; // in the benchmark's unit
    std::string unit;
    std::map<std::string, double> counters;
};

struct Row {
    std::map<long, Run> bySize;
};

double ToMilliseconds(double time, const std::string& unit) {
    if (unit == "ns") {
        return time / 1e6;
    }
    if (unit == "us") {
        return time / 1e3;
    }
    if (unit == "s") {
        return time * 1e3;
    }
    return time;
}

// "Name/10000/iterations:3/manual_time" -> ("Name", 10000).
std::optional<std::pair<std::string, long>> NameAndSize(const std::string& runName) {
    const auto slash = runName.find('/');
    if (slash == std::string::npos) {
        return std::nullopt;
    }
    const auto next = runName.find('/', slash + 1);
    try {
        return std::pair(runName.substr(0, slash), std::stol(runName.substr(slash + 1, next - slash - 1)));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool Read(const char* path, std::map<std::string, Row>& rows, std::vector<std::string>& order) {
    std::ifstream file(path);
    rapidjson::IStreamWrapper stream(file);
    rapidjson::Document document;
    document.ParseStream<rapidjson::kParseNanAndInfFlag>(stream);
    if (document.HasParseError() || !document.IsObject() || !document.HasMember("benchmarks")) {
        std::fprintf(stderr, "bench-table: %s is not Google Benchmark JSON output\n", path);
        return false;
    }
    for (const auto& entry : document["benchmarks"].GetArray()) {
        const bool aggregate =
            entry.HasMember("run_type") && std::string(entry["run_type"].GetString()) == "aggregate";
        if (aggregate && std::string(entry["aggregate_name"].GetString()) != "median") {
            continue;
        }
        const std::string runName =
            entry.HasMember("run_name") ? entry["run_name"].GetString() : entry["name"].GetString();
        if (entry.HasMember("error_occurred") && entry["error_occurred"].IsBool() &&
            entry["error_occurred"].GetBool()) {
            std::fprintf(stderr, "bench-table: %s failed: %s\n", runName.c_str(),
                         entry.HasMember("error_message") && entry["error_message"].IsString()
                             ? entry["error_message"].GetString()
                             : "(no message)");
            return false;
        }
        const auto nameAndSize = NameAndSize(runName);
        if (!nameAndSize) {
            continue;
        }
        Run run;
        // Floor benchmarks time themselves (the thread's processor time, as real_time); the others
        // are taken by processor time too, which a machine shared with builds disturbs least.
        const bool manual = runName.find("manual_time") != std::string::npos;
        run.time = entry[manual ? "real_time" : "cpu_time"].GetDouble();
        run.unit = entry["time_unit"].GetString();
        for (auto member = entry.MemberBegin(); member != entry.MemberEnd(); ++member) {
            const std::string key = member->name.GetString();
            static const std::vector<std::string> known = {
                "real_time",        "cpu_time", "iterations",   "repetitions",
                "repetition_index", "threads",  "family_index", "per_family_instance_index"};
            if (member->value.IsNumber() && std::find(known.begin(), known.end(), key) == known.end()) {
                run.counters[key] = member->value.GetDouble();
            }
        }
        auto [row, added] = rows.try_emplace(nameAndSize->first);
        if (added) {
            order.push_back(nameAndSize->first);
        }
        // A median comes after the repetitions it sums up and replaces them.
        if (aggregate || !row->second.bySize.contains(nameAndSize->second)) {
            row->second.bySize[nameAndSize->second] = run;
        }
    }
    return true;
}

std::string Milliseconds(double ms) {
    return ms >= 100.0 ? fmt::format("{:.0f} ms", ms)
           : ms >= 1.0 ? fmt::format("{:.1f} ms", ms)
                       : fmt::format("{:.3f} ms", ms);
}

std::string Counter(const Run* run, const char* name, const char* format = "{:.2f}") {
    if (run == nullptr || !run->counters.contains(name)) {
        return "–";
    }
    return fmt::format(fmt::runtime(format), run->counters.at(name));
}

} // namespace

int main(int argc, char** argv) {
    std::map<std::string, Row> rows;
    std::vector<std::string> order;
    for (int i = 1; i < argc; ++i) {
        if (!Read(argv[i], rows, order)) {
            return 1;
        }
    }
    constexpr long Small = 10000;
    constexpr long Large = 100000;
    std::puts("| operation | add-on 10k | floor 10k | ratio 10k | add-on 100k | floor 100k | ratio 100k | "
              "host calls per element | page calls | growth 100k/10k | floor growth |");
    std::puts("|---|---|---|---|---|---|---|---|---|---|---|");
    std::vector<std::string> memory;
    for (const std::string& name : order) {
        const Row& row = rows.at(name);
        const Run* small = row.bySize.contains(Small) ? &row.bySize.at(Small) : nullptr;
        const Run* large = row.bySize.contains(Large) ? &row.bySize.at(Large) : nullptr;
        for (const auto& [size, run] : row.bySize) {
            for (const auto& [counter, value] : run.counters) {
                if (counter.find("Bytes") != std::string::npos && counter.find("Per") != std::string::npos) {
                    memory.push_back(fmt::format("| {} | {} | {} | {:.0f} |", name, size, counter, value));
                }
            }
        }
        if (name == "AddonHeap") {
            continue;
        }
        const auto time = [](const Run* run) {
            return run == nullptr ? std::string("–") : Milliseconds(ToMilliseconds(run->time, run->unit));
        };
        const auto floor = [](const Run* run) {
            return run == nullptr || !run->counters.contains("floor")
                       ? std::string("–")
                       : Milliseconds(run->counters.at("floor") * 1e3);
        };
        const std::string growth = small != nullptr && large != nullptr && small->time > 0.0
                                       ? fmt::format("{:.1f}", ToMilliseconds(large->time, large->unit) /
                                                                   ToMilliseconds(small->time, small->unit))
                                       : "–";
        const std::string floorGrowth =
            small != nullptr && large != nullptr && small->counters.contains("floor") &&
                    large->counters.contains("floor") && small->counters.at("floor") > 0.0
                ? fmt::format("{:.1f}", large->counters.at("floor") / small->counters.at("floor"))
                : "–";
        std::printf("| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", name.c_str(),
                    time(small).c_str(), floor(small).c_str(), Counter(small, "ratio").c_str(),
                    time(large).c_str(), floor(large).c_str(), Counter(large, "ratio").c_str(),
                    Counter(large, "hostCallsPerElement", "{:.1f}").c_str(),
                    Counter(large, "pageCalls", "{:.0f}").c_str(), growth.c_str(), floorGrowth.c_str());
    }
    if (!memory.empty()) {
        std::puts("\n| measured | elements | heap use | bytes |");
        std::puts("|---|---|---|---|");
        for (const std::string& line : memory) {
            std::puts(line.c_str());
        }
    }
    return 0;
}
