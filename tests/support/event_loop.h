#pragma once
// Loopback tests run their DICOM peers on other threads while the test's own thread, the
// UI thread of the code under test, keeps its events flowing.

#include <chrono>
#include <functional>

namespace kestrova::test {

// A loopback port that was free a moment ago.
int freePort();

// Processes events until done() holds; false when the limit passed first.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(60));

// Runs peer on its own thread while this thread processes events; throws when the peer
// does not finish within the limit (the thread is still joined).
void runPeer(const std::function<void()>& peer, std::chrono::milliseconds limit = std::chrono::seconds(120));

} // namespace kestrova::test
