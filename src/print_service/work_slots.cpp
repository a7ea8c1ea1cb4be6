#include "print_service/work_slots.h"

#include <algorithm>
#include <thread>

namespace kestrova {

namespace {

std::ptrdiff_t slotsOfAKind() { return std::max<std::ptrdiff_t>(2, std::thread::hardware_concurrency()); }

} // namespace

WorkSlots::WorkSlots() : WorkSlots(slotsOfAKind()) {}

WorkSlots::WorkSlots(std::ptrdiff_t slotsOfEachKind) : decodes_(slotsOfEachKind), prints_(slotsOfEachKind) {}

WorkSlots::Slot::Slot(Queue& queue) : queue_(queue) { queue_.acquire(); }

WorkSlots::Slot::~Slot() { queue_.release(); }

std::size_t WorkSlots::waiting(WorkKind kind) const { return queueOf(kind).waiting(); }

void WorkSlots::Queue::acquire()
{
    std::unique_lock lock(mutex_);
    const std::uint64_t ticket = nextTicket_++;
    changed_.wait(lock, [&] { return ticket == nextServed_ && free_ > 0; });
    ++nextServed_;
    --free_;
    // The next ticket may find a slot free too.
    changed_.notify_all();
}

void WorkSlots::Queue::release()
{
    {
        const std::lock_guard lock(mutex_);
        ++free_;
    }
    changed_.notify_all();
}

std::size_t WorkSlots::Queue::waiting() const
{
    const std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(nextTicket_ - nextServed_);
}

} // namespace kestrova
