#pragma once
// Long work on association threads (decoding an image, printing a film) runs only while it holds
// one of these: each holds tens of megabytes while it runs, and more of them at once than there
// are cores only adds memory, not speed. Decodes and prints have slots of their own, so that a
// requester waiting for its print never queues behind the images other associations send.
//
// A freed slot goes to whoever has waited longest. A film session prints film by film, taking a
// slot for each, so a requester whose N-ACTION comes while others print long sessions waits for
// one film of each, not for their whole sessions.
//
// Threads: any; a slot is taken and given back on the thread that does the work.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace kestrova {

enum class WorkKind { Decode, Print };

class WorkSlots {
    class Queue;

public:
    // As many slots of each kind as there are cores, and at least two.
    WorkSlots();
    explicit WorkSlots(std::ptrdiff_t slotsOfEachKind);

    class Slot {
    public:
        explicit Slot(Queue& queue);
        ~Slot();
        Slot(const Slot&) = delete;
        Slot& operator=(const Slot&) = delete;

    private:
        Queue& queue_;
    };

    // Waits for a free slot of that kind, after everyone who asked for one before.
    Slot take(WorkKind kind) { return Slot(queueOf(kind)); }
    // How many wait for a slot of that kind now.
    std::size_t waiting(WorkKind kind) const;

private:
    // Slots handed out in the order they were asked for: each request draws a ticket, and tickets
    // are served one after the other as slots come free.
    class Queue {
    public:
        explicit Queue(std::ptrdiff_t slots) : free_(slots) {}
        void acquire();
        void release();
        std::size_t waiting() const;

    private:
        mutable std::mutex mutex_;
        std::condition_variable changed_;
        std::ptrdiff_t free_;
        std::uint64_t nextTicket_ = 0;
        std::uint64_t nextServed_ = 0;
    };

    Queue& queueOf(WorkKind kind) { return kind == WorkKind::Decode ? decodes_ : prints_; }
    const Queue& queueOf(WorkKind kind) const { return kind == WorkKind::Decode ? decodes_ : prints_; }

    Queue decodes_;
    Queue prints_;
};

} // namespace kestrova
