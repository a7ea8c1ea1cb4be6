#include "network/internal/connection_registry.h"

#include <algorithm>

namespace kestrova {

namespace {

using Clock = std::chrono::steady_clock;

// How long a stop waits for the associations it answered to send their A-ABORT and end.
constexpr std::chrono::seconds AbortsSent{2};

// The entry of a connection, const or not.
template <typename Entries>
auto* entryIn(Entries& entries, ConnectionRegistry::Id id)
{
    const auto found = std::find_if(entries.begin(), entries.end(), [id](const auto& e) { return e.id == id; });
    return found == entries.end() ? nullptr : &*found;
}

} // namespace

ConnectionRegistry::ConnectionRegistry(std::size_t maxPending, std::size_t maxAssociations)
    : maxPending_(std::max<std::size_t>(1, maxPending)), maxAssociations_(maxAssociations)
{
}

ConnectionRegistry::Entry* ConnectionRegistry::find(Id id) { return entryIn(entries_, id); }

const ConnectionRegistry::Entry* ConnectionRegistry::find(Id id) const { return entryIn(entries_, id); }

std::optional<ConnectionRegistry::Id> ConnectionRegistry::addPending(Socket cutHandle)
{
    const std::lock_guard lock(mutex_);
    if (stopping_)
        return std::nullopt;
    if (pending_ >= maxPending_)
        cutOldestPending();
    entries_.push_back(Entry{nextId_++, std::move(cutHandle), Phase::Pending, Cut::None});
    ++pending_;
    return entries_.back().id;
}

void ConnectionRegistry::cutOldestPending()
{
    const auto oldest = std::find_if(entries_.begin(), entries_.end(),
                                     [](const Entry& e) { return e.phase == Phase::Pending && e.cut == Cut::None; });
    if (oldest == entries_.end())
        return;
    cutConnection(oldest->cutHandle);
    oldest->cut = Cut::ForRoom;
    --pending_;
}

ConnectionRegistry::Cut ConnectionRegistry::cutOf(Id id) const
{
    const std::lock_guard lock(mutex_);
    const Entry* entry = find(id);
    return entry ? entry->cut : Cut::None;
}

ConnectionRegistry::Admission ConnectionRegistry::admit(Id id)
{
    const std::lock_guard lock(mutex_);
    Entry* entry = find(id);
    if (stopping_ || entry == nullptr || entry->cut != Cut::None)
        return Admission::Stopping;
    if (served_ >= maxAssociations_)
        return Admission::NoFreeAssociation;
    entry->phase = Phase::Idle;
    --pending_;
    ++served_;
    return Admission::Served;
}

bool ConnectionRegistry::beginRequest(Id id)
{
    const std::lock_guard lock(mutex_);
    Entry* entry = find(id);
    if (stopping_ || entry == nullptr)
        return false;
    entry->phase = Phase::Busy;
    return true;
}

void ConnectionRegistry::endRequest(Id id)
{
    {
        const std::lock_guard lock(mutex_);
        if (Entry* entry = find(id))
            entry->phase = Phase::Idle;
    }
    requestEnded_.notify_all();
}

void ConnectionRegistry::remove(Id id)
{
    {
        const std::lock_guard lock(mutex_);
        const Entry* entry = find(id);
        if (entry == nullptr)
            return;
        if (entry->phase != Phase::Pending)
            --served_;
        else if (entry->cut == Cut::None)
            --pending_;
        entries_.remove_if([id](const Entry& e) { return e.id == id; });
    }
    requestEnded_.notify_all();
}

bool ConnectionRegistry::anyBusy() const
{
    return std::any_of(entries_.begin(), entries_.end(), [](const Entry& e) { return e.phase == Phase::Busy; });
}

void ConnectionRegistry::stop(std::chrono::milliseconds grace)
{
    std::unique_lock lock(mutex_);
    stopping_ = true;
    for (Entry& entry : entries_) {
        if (entry.phase == Phase::Pending)
            cutConnection(entry.cutHandle);
        else if (entry.phase == Phase::Idle)
            cutReading(entry.cutHandle);
        if (entry.phase != Phase::Busy && entry.cut == Cut::None)
            entry.cut = Cut::ByStop;
    }
    const auto graceEnds = Clock::now() + grace;
    requestEnded_.wait_until(lock, graceEnds, [this] { return !anyBusy(); });
    // The associations just answered send their A-ABORT and go; whatever is still open then is
    // cut whole: a request past its grace, a thread stuck writing to a requester that does not read.
    requestEnded_.wait_until(lock, std::min(graceEnds, Clock::now() + AbortsSent), [this] { return entries_.empty(); });
    for (Entry& entry : entries_)
        cutConnection(entry.cutHandle);
}

bool ConnectionRegistry::stopping() const
{
    const std::lock_guard lock(mutex_);
    return stopping_;
}

} // namespace kestrova
