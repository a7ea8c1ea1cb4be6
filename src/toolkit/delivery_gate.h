#pragma once
// Lets the UI thread hold back the listener's events for a while: printing lets pending
// events run so the window stays alive, but a request of another association must not run
// in the middle of a page (a second print would draw into the same document). Calls that
// arrive while a hold is in force wait, in arrival order, and run once the last hold is
// released. Used on the UI thread only.

#include <deque>
#include <functional>
#include <memory>

namespace kestrova {

class DeliveryGate : public std::enable_shared_from_this<DeliveryGate> {
public:
    bool held() const { return holds_ > 0; }
    void hold() { ++holds_; }
    // The waiting calls run on a later pass of the event loop, not inside the caller.
    void release();

    // Runs call now, or later when a hold is in force.
    void runOrQueue(std::function<void()> call);

private:
    void runWaiting();

    int holds_ = 0;
    std::deque<std::function<void()>> waiting_;
};

} // namespace kestrova
