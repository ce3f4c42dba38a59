#include "app/core/send_slots.h"

#include "platform/runtime/runtime_error.h"

namespace vellumo {

void SendSlots::check(int index) {
    if (index < 0 || index >= Count)
        raiseStandard(err::OutOfRange, QStringLiteral("SendSlots"));
}

int SendSlots::FindFreeSendSlot() const {
    for (int i = 0; i < Count; ++i) {
        if (flags_[static_cast<std::size_t>(i)] == Free)
            return i;
    }
    return -1;
}

void SendSlots::Take(int index, QObject* sender) {
    check(index);
    flags_[static_cast<std::size_t>(index)] = Busy;
    senders_[static_cast<std::size_t>(index)] = sender;
}

void SendSlots::Release(int index) {
    check(index);
    flags_[static_cast<std::size_t>(index)] = Free;
}

bool SendSlots::AnyBusy() const {
    for (const std::int16_t flag : flags_) {
        if (flag != Free)
            return true;
    }
    return false;
}

std::int16_t SendSlots::Flag(int index) const {
    check(index);
    return flags_[static_cast<std::size_t>(index)];
}

QObject* SendSlots::Sender(int index) const {
    check(index);
    return senders_[static_cast<std::size_t>(index)];
}

} // namespace vellumo
