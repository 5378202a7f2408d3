#include <PK/InteractionRecord.hpp>

#include "Diagnostics.hpp"

namespace PK {

InteractionRecord& InteractionRecord::Instance() {
    static InteractionRecord record;
    return record;
}

void InteractionRecord::Clear() noexcept {
    _alerts.clear();
    _dialogs.clear();
}

const AlertRecord& InteractionRecord::Add(AlertRecord record) {
    Detail::AssertMainThread();
    record.sequence = _nextSequence++;
    _alerts.push_back(std::move(record));
    return _alerts.back();
}

const DialogRecord& InteractionRecord::Add(DialogRecord record) {
    Detail::AssertMainThread();
    record.sequence = _nextSequence++;
    _dialogs.push_back(std::move(record));
    return _dialogs.back();
}

} // namespace PK
