#include "support/event_loop.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QThread>

#include <atomic>
#include <exception>
#include <stdexcept>
#include <thread>

namespace kestrova::test {

int freePort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("no free loopback port");
    return server.serverPort();
}

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

void runPeer(const std::function<void()>& peer, std::chrono::milliseconds limit)
{
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    std::thread thread([&] {
        try {
            peer();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
    });
    const bool finished = pumpUntil([&] { return done.load(); }, limit);
    if (!finished)
        pumpUntil([&] { return done.load(); }, std::chrono::hours(1)); // the peer's own DIMSE timeout ends it
    thread.join();
    if (failure)
        std::rethrow_exception(failure);
    if (!finished)
        throw std::runtime_error("the peer did not finish in time");
}

} // namespace kestrova::test
