#pragma once
// Long work on association threads (decoding an image, printing a film) runs only while it holds
// one of these: each holds tens of megabytes while it runs, and more of them at once than there
// are cores only adds memory, not speed. Decodes and prints have slots of their own, so that a
// requester waiting for its print never queues behind the images other associations send.
//
// Threads: any; a slot is taken and given back on the thread that does the work.

#include <cstddef>
#include <semaphore>

namespace kestrova {

enum class WorkKind { Decode, Print };

class WorkSlots {
public:
    WorkSlots();

    class Slot {
    public:
        explicit Slot(std::counting_semaphore<>& kind) : slots_(kind) { slots_.acquire(); }
        ~Slot() { slots_.release(); }
        Slot(const Slot&) = delete;
        Slot& operator=(const Slot&) = delete;

    private:
        std::counting_semaphore<>& slots_;
    };

    // Waits for a free slot of that kind.
    Slot take(WorkKind kind) { return Slot(kind == WorkKind::Decode ? decodes_ : prints_); }

private:
    std::counting_semaphore<> decodes_;
    std::counting_semaphore<> prints_;
};

} // namespace kestrova
