#include "InProcessScriptCache.hpp"

#include <utility>

namespace PK::InProcess {

namespace {

// Enough for every script a session sends over and over; a script larger than a quarter of it is
// never kept, so that one hostile script cannot push out all the others.
constexpr std::size_t SharedByteBudget = std::size_t{16} * 1024 * 1024;

} // namespace

ScriptCache& ScriptCache::Shared() {
    static ScriptCache cache(SharedByteBudget);
    return cache;
}

std::size_t ScriptCache::BytesOf(const Entry& entry) noexcept {
    return entry.source.size() + (entry.bytecode != nullptr ? entry.bytecode->size() : 0);
}

ScriptCache::Lookup ScriptCache::Find(std::string_view source) {
    const std::lock_guard lock(_mutex);
    if (const auto found = _bySource.find(source); found != _bySource.end()) {
        _entries.splice(_entries.begin(), _entries, found->second);
        return Lookup{found->second->bytecode, true};
    }
    if (source.size() <= _byteBudget / 4) {
        _entries.push_front(Entry{std::string(source), nullptr});
        _bySource.emplace(_entries.front().source, _entries.begin());
        _bytes += BytesOf(_entries.front());
        Trim();
    }
    return Lookup{};
}

void ScriptCache::Store(std::string_view source, std::string bytecode) {
    const std::lock_guard lock(_mutex);
    const auto found = _bySource.find(source);
    if (found == _bySource.end() || found->second->bytecode != nullptr) {
        return;
    }
    _bytes -= BytesOf(*found->second);
    found->second->bytecode = std::make_shared<const std::string>(std::move(bytecode));
    _bytes += BytesOf(*found->second);
    Trim();
}

std::size_t ScriptCache::GetSize() const {
    const std::lock_guard lock(_mutex);
    return _entries.size();
}

void ScriptCache::Trim() {
    while (_bytes > _byteBudget && !_entries.empty()) {
        const Entry& last = _entries.back();
        _bytes -= BytesOf(last);
        _bySource.erase(last.source);
        _entries.pop_back();
    }
}

} // namespace PK::InProcess
