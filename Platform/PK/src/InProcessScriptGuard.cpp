#include "InProcessScriptGuard.hpp"

#include <cstdlib>
#include <ctime>
#include <new>
#include <sys/syscall.h>
#include <unistd.h>

namespace PK::InProcess {

namespace {

int GuardSignal() noexcept {
    // Real-time signals are not used by the C library above SIGRTMIN nor by the sanitizers.
    return SIGRTMIN + 4;
}

// Each timer carries its guard, so that the budget of a page whose native call started
// another page's script still ends the right run.
extern "C" void OnGuardSignal(int, siginfo_t* info, void*) {
    if (info != nullptr && info->si_code == SI_TIMER) {
        if (auto* guard = static_cast<ScriptGuard*>(info->si_value.sival_ptr)) {
            guard->Expired();
        }
    }
}

} // namespace

void ScriptGuard::Expired() noexcept {
    if (_running == 0) {
        return;
    }
    _expired = 1;
    if (_critical == 0) {
        siglongjmp(_target, 1);
    }
}

void ScriptGuard::LeaveCritical() noexcept {
    _critical = _critical - 1;
    if (_critical == 0 && _expired != 0 && _running != 0) {
        siglongjmp(_target, 1);
    }
}

ScriptGuard::Outcome ScriptGuard::Run(void (*body)(void*), void* data) noexcept {
    if (_running != 0) {
        body(data);
        return Outcome::Finished;
    }
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_sigaction = OnGuardSignal;
    action.sa_flags = SA_SIGINFO | SA_RESTART; // host code called from a page must not see EINTR
    sigemptyset(&action.sa_mask);
    sigaction(GuardSignal(), &action, &previous);

    timer_t timer{};
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = GuardSignal();
    event.sigev_value.sival_ptr = this;
    event._sigev_un._tid = static_cast<pid_t>(syscall(SYS_gettid));
    const bool timerCreated = timer_create(CLOCK_THREAD_CPUTIME_ID, &event, &timer) == 0;
    if (timerCreated) {
        const auto ms = _budget.count() > 0 ? _budget.count() : 1;
        itimerspec spec{};
        spec.it_value.tv_sec = static_cast<time_t>(ms / 1000);
        spec.it_value.tv_nsec = static_cast<long>((ms % 1000) * 1000000);
        timer_settime(timer, 0, &spec, nullptr);
    }

    _expired = 0;
    _critical = 0;
    _running = 1;
    Outcome outcome = Outcome::Finished;
    if (sigsetjmp(_target, 1) == 0) {
        body(data);
    } else {
        outcome = Outcome::Stopped;
    }
    _running = 0;

    if (timerCreated) {
        timer_delete(timer);
    }
    sigaction(GuardSignal(), &previous, nullptr);
    _critical = 0;
    _expired = 0;
    return outcome;
}

struct TrackedArena::Block {
    Block* previous;
    Block* next;
    std::size_t size;
    alignas(std::max_align_t) unsigned char payload[1];
};

namespace {
constexpr std::size_t HeaderSize = offsetof(TrackedArena::Block, payload);
} // namespace

void TrackedArena::Link(Block* block) noexcept {
    block->previous = nullptr;
    block->next = _first;
    if (_first != nullptr) {
        _first->previous = block;
    }
    _first = block;
    _used += block->size;
}

void TrackedArena::Unlink(Block* block) noexcept {
    if (block->previous != nullptr) {
        block->previous->next = block->next;
    } else {
        _first = block->next;
    }
    if (block->next != nullptr) {
        block->next->previous = block->previous;
    }
    _used -= block->size;
}

void* TrackedArena::Alloc(void* arenaPointer, std::size_t size) {
    auto& arena = *static_cast<TrackedArena*>(arenaPointer);
    if (size == 0 || size > arena._limit - arena._used) {
        return nullptr;
    }
    arena._guard.EnterCritical();
    void* result = nullptr;
    if (auto* block = static_cast<Block*>(std::malloc(HeaderSize + size))) {
        block->size = size;
        arena.Link(block);
        result = block->payload;
    }
    arena._guard.LeaveCritical();
    return result;
}

void* TrackedArena::Realloc(void* arenaPointer, void* pointer, std::size_t size) {
    auto& arena = *static_cast<TrackedArena*>(arenaPointer);
    if (pointer == nullptr) {
        return Alloc(arenaPointer, size);
    }
    if (size == 0) {
        Free(arenaPointer, pointer);
        return nullptr;
    }
    auto* block = reinterpret_cast<Block*>(static_cast<unsigned char*>(pointer) - HeaderSize);
    if (size > block->size && size - block->size > arena._limit - arena._used) {
        return nullptr;
    }
    arena._guard.EnterCritical();
    arena.Unlink(block);
    void* result = nullptr;
    if (auto* moved = static_cast<Block*>(std::realloc(block, HeaderSize + size))) {
        moved->size = size;
        arena.Link(moved);
        result = moved->payload;
    } else {
        arena.Link(block); // the old block is still valid when realloc fails
    }
    arena._guard.LeaveCritical();
    return result;
}

void TrackedArena::Free(void* arenaPointer, void* pointer) {
    if (pointer == nullptr) {
        return;
    }
    auto& arena = *static_cast<TrackedArena*>(arenaPointer);
    auto* block = reinterpret_cast<Block*>(static_cast<unsigned char*>(pointer) - HeaderSize);
    arena._guard.EnterCritical();
    arena.Unlink(block);
    std::free(block);
    arena._guard.LeaveCritical();
}

void TrackedArena::FreeAll() noexcept {
    while (_first != nullptr) {
        Block* block = _first;
        Unlink(block);
        std::free(block);
    }
}

} // namespace PK::InProcess
