#pragma once

// Stops page scripts that run too long, for the in-process browser.
//
// The Duktape build we link has no interrupt hook, so a runaway script is stopped the way a
// browser kills a hung page: a processor-time timer of the running thread raises a signal,
// and the handler jumps back to where the run started. The page's heap is left in an
// unknown state by that jump, so a stopped run always ends with the page being discarded;
// the tracked allocator below lets the discarded heap be freed without touching it.
//
// Rules for code running inside Run():
// - only Duktape frames and C-like frames may be live when the jump can happen;
// - native functions called by scripts wrap their C++ work in EnterCritical/LeaveCritical:
//   the signal is then only noted, and LeaveCritical jumps once the C++ objects are gone;
// - allocation, which may hold the allocator's lock, is critical too.
//
// Main thread only. Runs of different pages may nest (a native call of one page starting
// another page); each timer signals its own guard.

#include <chrono>
#include <csetjmp>
#include <csignal>
#include <cstddef>

namespace PK::InProcess {

class ScriptGuard {
public:
    enum class Outcome { Finished, Stopped };

    explicit ScriptGuard(std::chrono::milliseconds budget) noexcept : _budget(budget) {}
    ScriptGuard(const ScriptGuard&) = delete;
    ScriptGuard& operator=(const ScriptGuard&) = delete;

    // Calls body(data) with the budget armed. Nested calls run the body inside the outer budget.
    Outcome Run(void (*body)(void*), void* data) noexcept;
    bool IsRunning() const noexcept { return _running != 0; }

    void EnterCritical() noexcept { _critical = _critical + 1; }
    // May not return: jumps out of the run when the budget expired meanwhile.
    void LeaveCritical() noexcept;

    // For the signal handler.
    void Expired() noexcept;

private:
    std::chrono::milliseconds _budget;
    sigjmp_buf _target{};
    volatile sig_atomic_t _running = 0;
    volatile sig_atomic_t _critical = 0;
    volatile sig_atomic_t _expired = 0;
};

// Duktape allocation functions over a heap-private block list, with a size cap, so that a
// heap abandoned by a stopped run can still be freed block by block.
class TrackedArena {
public:
    TrackedArena(ScriptGuard& guard, std::size_t limitBytes) noexcept : _guard(guard), _limit(limitBytes) {}
    TrackedArena(const TrackedArena&) = delete;
    TrackedArena& operator=(const TrackedArena&) = delete;
    ~TrackedArena() { FreeAll(); }

    static void* Alloc(void* arena, std::size_t size);
    static void* Realloc(void* arena, void* pointer, std::size_t size);
    static void Free(void* arena, void* pointer);

    void FreeAll() noexcept;
    std::size_t GetUsedBytes() const noexcept { return _used; }

    struct Block; // header in front of every allocation

private:
    void Link(Block* block) noexcept;
    void Unlink(Block* block) noexcept;

    ScriptGuard& _guard;
    std::size_t _limit;
    std::size_t _used = 0;
    Block* _first = nullptr;
};

} // namespace PK::InProcess
