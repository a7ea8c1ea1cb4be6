#include "print_service/work_slots.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrova {
namespace {

// A job printing film after film gives its slot up after each and queues again: whoever waited
// meanwhile prints next, so no requester waits behind another's session for more than one film.
TEST(WorkSlots, AFreedSlotGoesToWhoWaitedLongestNotBackToWhoFreedIt)
{
    WorkSlots slots(1);
    std::mutex mutex;
    std::vector<std::string> order;
    const auto printed = [&](const char* who) {
        const std::lock_guard lock(mutex);
        order.emplace_back(who);
    };
    std::jthread other;
    {
        const auto film = slots.take(WorkKind::Print);
        other = std::jthread([&] {
            const auto slot = slots.take(WorkKind::Print);
            printed("other");
        });
        for (int i = 0; i < 10000 && slots.waiting(WorkKind::Print) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(slots.waiting(WorkKind::Print), 1u);
        EXPECT_EQ(slots.waiting(WorkKind::Decode), 0u) << "decodes queue on their own";
    }
    {
        const auto nextFilm = slots.take(WorkKind::Print);
        printed("holder");
    }
    other.join();
    EXPECT_EQ(order, (std::vector<std::string>{"other", "holder"}));
}

} // namespace
} // namespace kestrova
