#pragma once

// Makes chosen host functions answer a chosen error code, so tests can drive every error path
// of the add-on. A fault applies to one host function, optionally only to one request code (of
// a selector function) or to calls that concern one guid (any guid among the call's
// arguments: an element, item, definition, object or set), and fires always or for the next N
// matching calls, optionally after letting the first matching calls through (the K-th call:
// skip K - 1, then fire once). The first matching fault, in the order added, wins; a fault
// still letting calls through does not match.
//
// A faulted call does nothing but answer the code; functions without a code answer false, the
// null guid, APIReservation_NotShared or InvalidResModule instead. Main thread only.

#include <VantrelSim/HostFunction.hpp>

#include <QB/Guid.hpp>

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace VantrelSim {

struct Fault {
    HostFunction function = HostFunction::VNAPI_Element_GetHeader;
    VNAPI_ErrCode code = APIERR_GENERAL;
    std::optional<API_RequestCode> request; // selector functions: only this request
    std::optional<QB::Guid> concerning;     // only calls that name this guid
    std::optional<std::size_t> remaining;   // nullopt: every matching call
    std::size_t skip = 0;                   // matching calls that pass before the fault fires
    std::size_t tag = 0;                    // lets a test drop the faults it added together
};

// One call a fault answered.
struct FiredFault {
    HostFunction function = HostFunction::VNAPI_Element_GetHeader;
    VNAPI_ErrCode code = APIERR_GENERAL;
};

class FaultInjector {
public:
    void Add(const Fault& fault) {
        if (!fault.remaining || *fault.remaining > 0) {
            _faults.push_back(fault);
        }
    }
    void Always(HostFunction function, VNAPI_ErrCode code) { Add({function, code, {}, {}, {}}); }
    void NextCalls(HostFunction function, VNAPI_ErrCode code, std::size_t count) {
        Add({function, code, {}, {}, count});
    }
    // Only the `ordinal`-th (from 1) matching call from now on.
    void NthCall(HostFunction function, VNAPI_ErrCode code, std::size_t ordinal) {
        Add({function, code, {}, {}, 1, ordinal > 0 ? ordinal - 1 : 0});
    }
    void ForGuid(HostFunction function, VNAPI_ErrCode code, const QB::Guid& guid) {
        Add({function, code, {}, guid, {}});
    }
    void Clear() { _faults.clear(); }
    // Drops the faults of one function only.
    void Clear(HostFunction function);
    void ClearTagged(std::size_t tag);
    bool IsEmpty() const { return _faults.empty(); }
    const std::vector<Fault>& Pending() const { return _faults; }

    // The code a call answers instead of running, or nothing. Counts the call down.
    std::optional<VNAPI_ErrCode> Match(HostFunction function, std::optional<API_RequestCode> request,
                                       std::span<const QB::Guid> guids);
    std::size_t FiredCount() const { return _fired; }
    // Told of every call a fault answers, as it happens (a transcript shows them in order).
    void SetListener(std::function<void(const FiredFault&)> listener) { _listener = std::move(listener); }

private:
    std::vector<Fault> _faults;
    std::size_t _fired = 0;
    std::function<void(const FiredFault&)> _listener;
};

} // namespace VantrelSim
