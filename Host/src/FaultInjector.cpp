#include <VantrelSim/FaultInjector.hpp>

#include <algorithm>

namespace VantrelSim {

void FaultInjector::Clear(HostFunction function) {
    std::erase_if(_faults, [&](const Fault& fault) { return fault.function == function; });
}

void FaultInjector::ClearTagged(std::size_t tag) {
    std::erase_if(_faults, [&](const Fault& fault) { return fault.tag == tag; });
}

std::optional<VNAPI_ErrCode> FaultInjector::Match(HostFunction function,
                                                  std::optional<API_RequestCode> request,
                                                  std::span<const QB::Guid> guids) {
    for (auto it = _faults.begin(); it != _faults.end(); ++it) {
        if (it->function != function || (it->request && it->request != request)) {
            continue;
        }
        if (it->concerning && std::find(guids.begin(), guids.end(), *it->concerning) == guids.end()) {
            continue;
        }
        if (it->skip > 0) {
            --it->skip;
            continue;
        }
        const VNAPI_ErrCode code = it->code;
        if (it->remaining && --*it->remaining == 0) {
            _faults.erase(it);
        }
        ++_fired;
        if (_listener) {
            _listener(FiredFault{function, code});
        }
        return code;
    }
    return std::nullopt;
}

} // namespace VantrelSim
