#pragma once
// SendSlots: the table that bounds the senders running at once. 256 slots, indexes 0 to 255, each
// with a flag (0 free, -1 busy) and a reference to the sender (frmToSend) that took it. The compose
// window takes the lowest free slot before it creates a sender; the sender frees its slot when it
// ends. A reference stays after its sender has gone (it then reads as null) and is replaced when the
// slot is taken again.
//
// One instance lives in the program's module-level state for the whole run and is passed by
// reference to the windows that use it. All on the user-interface thread; no lock.

#include <QObject>
#include <QPointer>

#include <array>
#include <cstdint>

namespace vellumo {

class SendSlots {
public:
    static constexpr int Count = 256;
    static constexpr std::int16_t Free = 0;
    static constexpr std::int16_t Busy = -1;

    // The lowest index whose flag is 0, or -1 when all 256 are busy.
    int FindFreeSendSlot() const;

    // Marks the slot busy and keeps the sender that occupies it. Raises error 9 for an index outside
    // 0 to 255.
    void Take(int index, QObject* sender);
    // Sets the slot's flag back to 0; the sender reference stays. Raises error 9 out of range.
    void Release(int index);

    // True while any slot is busy (a sender is out).
    bool AnyBusy() const;
    // The slot's flag, 0 or -1. Raises error 9 out of range.
    std::int16_t Flag(int index) const;
    // The sender last placed in the slot, or null once it is gone. Raises error 9 out of range.
    QObject* Sender(int index) const;
    template <class Window> Window* SenderAs(int index) const { return qobject_cast<Window*>(Sender(index)); }

private:
    static void check(int index);

    std::array<std::int16_t, Count> flags_{};
    std::array<QPointer<QObject>, Count> senders_{};
};

} // namespace vellumo
