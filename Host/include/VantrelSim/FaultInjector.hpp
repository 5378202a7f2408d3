#pragma once

// Makes chosen host functions answer a chosen error code, so tests can drive every error path
// of the add-on. A fault applies to one host function, optionally only to one request code (of
// a selector function) or to calls that concern one guid (any guid among the call's
// arguments: an element, item, definition, object or set), and fires always or for the next N
// matching calls, optionally after letting the first matching calls through. The first matching
// fault, in the order added, wins.
//
// A faulted call does nothing but answer the code; functions without a code answer false, the
// null guid, APIReservation_NotShared or InvalidResModule instead. Main thread only.

#include <VantrelSim/HostFunction.hpp>

#include <QB/Guid.hpp>

#include <cstddef>
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
    std::size_t skip = 0;                   // matching calls let through before it fires
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
    void ForGuid(HostFunction function, VNAPI_ErrCode code, const QB::Guid& guid) {
        Add({function, code, {}, guid, {}});
    }
    // Only the n-th matching call from now on (n from 1) fails.
    void NthCall(HostFunction function, VNAPI_ErrCode code, std::size_t n) {
        Add({function, code, {}, {}, 1, n > 0 ? n - 1 : 0});
    }
    void Clear() { _faults.clear(); }
    bool IsEmpty() const { return _faults.empty(); }

    // The code a call answers instead of running, or nothing. Counts the call down.
    std::optional<VNAPI_ErrCode> Match(HostFunction function, std::optional<API_RequestCode> request,
                                       std::span<const QB::Guid> guids);
    std::size_t FiredCount() const { return _fired; }

private:
    std::vector<Fault> _faults;
    std::size_t _fired = 0;
};

} // namespace VantrelSim
