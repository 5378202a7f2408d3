#include <VantrelSim/FaultInjector.hpp>

#include <algorithm>

namespace VantrelSim {

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
        return code;
    }
    return std::nullopt;
}

} // namespace VantrelSim
