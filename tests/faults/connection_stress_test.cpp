// Connections that end as soon as they begin, in bursts, while ordinary requesters print:
// a port monitor writing one line-feed byte, a request cut off by a close or an abort, a
// negotiation the service refuses, an echo-only association. Each of these is served and
// over within microseconds, which is exactly when the listener's own bookkeeping of an
// association must already be complete. A fault there corrupts the heap, so the test is
// only conclusive in a build whose allocator checks itself (glibc aborts) or under valgrind.
#include "e2e/service_fixture.h"
#include "raw_peer.h"

#include "toolkit/connection.h"
#include "toolkit/dimse_status.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace kestrova {
namespace {

using namespace test;
using namespace std::chrono_literals;

constexpr int Rounds = 6;
constexpr int ProbesPerBurst = 20;
constexpr int Requesters = 2;
constexpr int FilmsPerRequester = 3;

// What `echo > /dev/tcp/host/port` does.
void probe(int port)
{
    RawPeer peer;
    if (peer.connect(port))
        peer.send({'\n'});
}

RawBytes filmSessionCreate()
{
    return pDataPdu(true, true, commandSet(CommandField::NCreateRq, SopClass::BasicFilmSession, "", false));
}

void requestThenClose(int port)
{
    RawPeer peer;
    if (peer.connect(port) && peer.associate(SopClass::BasicGrayscalePrintManagementMeta) == PduType::AssociateAc)
        peer.send(filmSessionCreate());
}

void requestThenAbort(int port)
{
    RawPeer peer;
    if (peer.connect(port) && peer.associate(SopClass::BasicGrayscalePrintManagementMeta) == PduType::AssociateAc) {
        peer.send(filmSessionCreate());
        peer.send({PduType::Abort, 0, 0, 0, 0, 4, 0, 0, 0, 0});
    }
}

struct ShortLivedOutcomes {
    std::atomic<int> refused{0};
    std::atomic<int> echoed{0};
};

// Nothing the service takes: it must refuse the association.
void refusedNegotiation(int port, ShortLivedOutcomes& outcomes)
{
    RawPeer peer;
    if (peer.connect(port) && peer.associate(test::NotAcceptedSopClass) == PduType::AssociateRj)
        ++outcomes.refused;
}

void echoOnly(int port, ShortLivedOutcomes& outcomes)
{
    TestScu scu;
    ConnectOptions options;
    options.abstractSyntaxes = {SopClass::Verification};
    options.dimseTimeoutSeconds = 60;
    if (scu.connect("127.0.0.1", port, options) && scu.echo() && scu.release())
        ++outcomes.echoed;
}

void runBurst(int port, ShortLivedOutcomes& outcomes)
{
    std::vector<std::thread> peers;
    for (int i = 0; i < ProbesPerBurst; ++i)
        peers.emplace_back(probe, port);
    peers.emplace_back(requestThenClose, port);
    peers.emplace_back(requestThenAbort, port);
    peers.emplace_back(refusedNegotiation, port, std::ref(outcomes));
    peers.emplace_back(echoOnly, port, std::ref(outcomes));
    for (auto& peer : peers)
        peer.join();
}

TEST(ShortLivedConnections, InBurstsLeaveEveryFilmOfOrdinaryRequestersPrinted)
{
    ServiceFixture service;
    const int port = service.port();
    const auto filmsBefore = service.films().size();
    ShortLivedOutcomes shortLived;
    std::vector<JobOutcome> films(Requesters * FilmsPerRequester);

    runPeer([&] {
        std::vector<std::thread> requesters;
        for (int r = 0; r < Requesters; ++r) {
            requesters.emplace_back([&, r] {
                for (int f = 0; f < FilmsPerRequester; ++f) {
                    TestScu scu;
                    films[r * FilmsPerRequester + f] = printOneFilm(scu, port);
                }
            });
        }
        for (int round = 0; round < Rounds; ++round)
            runBurst(port, shortLived);
        for (auto& requester : requesters)
            requester.join();
    });

    for (std::size_t i = 0; i < films.size(); ++i) {
        EXPECT_TRUE(films[i].connected) << "film " << i + 1;
        EXPECT_EQ(films[i].setStatuses, std::vector<std::uint16_t>{DimseStatus::Success}) << "film " << i + 1;
        EXPECT_EQ(films[i].actionStatus, DimseStatus::Success) << "film " << i + 1;
    }
    EXPECT_EQ(service.films().size(), filmsBefore + films.size());
    EXPECT_EQ(shortLived.refused.load(), Rounds);
    EXPECT_EQ(shortLived.echoed.load(), Rounds);
    EXPECT_TRUE(service.service.isListening());
    // The film sessions of the cut-off requests go with their associations.
    EXPECT_TRUE(pumpUntil([&] { return service.storedCount() == 1; }, 20s)) << service.storedCount() << " objects stored";
    EXPECT_EQ(service.errorLog(), "");
    EXPECT_TRUE(nextJobPrints(service));
}

} // namespace
} // namespace kestrova
