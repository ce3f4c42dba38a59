// SendSlots: the lowest free slot, -1 when all 256 are busy, freeing, and the sender references.
#include "app/core/send_slots.h"

#include "platform/runtime/runtime_error.h"

#include <QObject>

#include <gtest/gtest.h>

#include <memory>

namespace vellumo {
namespace {

TEST(SendSlots, GivesTheLowestFreeSlotAndMinusOneWhenAllAreBusy) {
    SendSlots table;
    EXPECT_EQ(table.FindFreeSendSlot(), 0);
    for (int i = 0; i < SendSlots::Count; ++i) {
        ASSERT_EQ(table.FindFreeSendSlot(), i);
        table.Take(i, nullptr);
        EXPECT_EQ(table.Flag(i), -1);
    }
    EXPECT_EQ(table.FindFreeSendSlot(), -1);
    table.Release(200);
    table.Release(17);
    EXPECT_EQ(table.Flag(17), 0);
    EXPECT_EQ(table.FindFreeSendSlot(), 17);
    table.Take(17, nullptr);
    EXPECT_EQ(table.FindFreeSendSlot(), 200);
}

TEST(SendSlots, ThreeHundredSendersInARowNeverExhaustTheSlots) {
    SendSlots table;
    for (int i = 0; i < 300; ++i) {
        const int index = table.FindFreeSendSlot();
        ASSERT_EQ(index, 0) << i;
        table.Take(index, nullptr);
        table.Release(index);
    }
}

TEST(SendSlots, KeepsTheSenderUntilTheSlotIsTakenAgain) {
    SendSlots table;
    auto first = std::make_unique<QObject>();
    QObject second;
    table.Take(5, first.get());
    EXPECT_EQ(table.Sender(5), first.get());
    table.Release(5);
    EXPECT_EQ(table.Sender(5), first.get());
    // A sender that is gone reads as null, never as a dangling reference.
    first.reset();
    EXPECT_EQ(table.Sender(5), nullptr);
    table.Take(5, &second);
    EXPECT_EQ(table.Sender(5), &second);
    EXPECT_EQ(table.SenderAs<QObject>(5), &second);
}

TEST(SendSlots, RefusesAnIndexOutsideTheTable) {
    SendSlots table;
    for (int index : {-1, SendSlots::Count}) {
        try {
            table.Take(index, nullptr);
            FAIL() << index;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), err::OutOfRange);
        }
        EXPECT_THROW(table.Release(index), RuntimeError);
        EXPECT_THROW(table.Flag(index), RuntimeError);
    }
}

} // namespace
} // namespace vellumo
