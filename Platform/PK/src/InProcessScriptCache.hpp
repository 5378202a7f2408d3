#pragma once

// Compiled page scripts by their source, for the in-process browser: the host sends the same
// scripts over and over (the selection, the state after each change) and every load makes a new
// page that compiles the same prelude, while compiling is most of what a short script costs.
//
// The cache holds Duktape bytecode, which a page loads in place of compiling. Bytecode is only
// ever made by this process's Duktape from a script that compiled, so it is trusted. A script is
// dumped on its second sighting: most scripts are seen once and would only pay for the dump.
// Least recently used entries go first once the cache holds more than its byte budget.
// Shared by the process's pages; safe to use from several threads.

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace PK::InProcess {

class ScriptCache {
public:
    using Bytecode = std::shared_ptr<const std::string>;

    explicit ScriptCache(std::size_t byteBudget) noexcept : _byteBudget(byteBudget) {}
    ScriptCache(const ScriptCache&) = delete;
    ScriptCache& operator=(const ScriptCache&) = delete;

    static ScriptCache& Shared();

    struct Lookup {
        Bytecode bytecode; // null until the script was dumped
        bool seenBefore = false;
    };
    // What the cache holds for `source`, counting this sighting.
    Lookup Find(std::string_view source);
    void Store(std::string_view source, std::string bytecode);

    std::size_t GetSize() const;

private:
    struct Entry {
        std::string source;
        Bytecode bytecode;
    };
    using Entries = std::list<Entry>; // most recently used first

    void Trim();
    static std::size_t BytesOf(const Entry& entry) noexcept;

    mutable std::mutex _mutex;
    std::size_t _byteBudget;
    std::size_t _bytes = 0;
    Entries _entries;
    std::unordered_map<std::string_view, Entries::iterator> _bySource; // views of the entries' sources
};

} // namespace PK::InProcess
