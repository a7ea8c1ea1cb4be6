// Peers that misbehave on the wire: garbage, cut-short and lying PDUs, silence, too many
// associations at once, a requester that vanishes in the middle of a request, bursts of
// connections that end at once. Whatever happens, the listener keeps listening, ends the
// faulty association (its handler goes, and with it the print service's objects of it) and
// serves the next ordinary requester.
#include "raw_peer.h"

#include "data/print_tags.h"
#include "support/recording_service.h"
#include "support/test_scu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <latch>
#include <memory>
#include <random>
#include <thread>

namespace kestrova {
namespace {

using namespace test;
using namespace std::chrono_literals;

// What the service must do comes long before this under any sanitizer on a loaded machine.
constexpr auto Bound = 60s;

RawBytes randomBytes(std::size_t count)
{
    RawBytes bytes(count);
    std::generate(bytes.begin(), bytes.end(), std::mt19937(20261206));
    bytes[0] = 0xAB; // no PDU type
    return bytes;
}

RawBytes firstBytes(const RawBytes& bytes, std::size_t count) { return RawBytes(bytes.begin(), bytes.begin() + count); }

RawBytes textElement(Tag tag, const std::string& text)
{
    DataSet dataSet;
    dataSet.add(tag, text);
    return implicitLittleEndian(dataSet);
}

// Film session N-CREATE as a requester sends it, data set in implicit little endian.
void createSession(RawPeer& peer)
{
    ASSERT_TRUE(peer.send(pDataPdu(true, true, commandSet(CommandField::NCreateRq, SopClass::BasicFilmSession, "", true))));
    ASSERT_TRUE(peer.send(pDataPdu(false, true, textElement(PrintTag::NumberOfCopies, "1"))));
    ASSERT_EQ(peer.receive(), PduType::PData) << "no N-CREATE response";
}

// An ordinary requester's N-ACTION, answered by its association's handler.
bool answered(int port)
{
    TestScu scu;
    if (!scu.connect("127.0.0.1", port))
        return false;
    const bool received = scu.nAction(SopClass::BasicFilmBox, "1.2.3").received;
    return scu.release() && received;
}

testing::AssertionResult nextRequesterIsServed(const RecordingListener& service)
{
    bool served = false;
    runPeer([&] { served = answered(service.port); });
    if (!service.listener.isListening() || !served)
        return testing::AssertionFailure() << "the next requester was not served\n" << service.logText();
    return testing::AssertionSuccess();
}

struct WireFault {
    const char* name;
    bool associateFirst;
    std::function<void(RawPeer&)> misbehave;
};

class WireFaults : public testing::TestWithParam<WireFault> {};

TEST_P(WireFaults, AreSurvivedAndTheNextRequesterIsServed)
{
    // A PDU that announces more than it carries is only found out by the timeout.
    RecordingListener service(3s);
    ASSERT_TRUE(service.listening);
    runPeer([&] {
        RawPeer peer;
        ASSERT_TRUE(peer.connect(service.port));
        if (GetParam().associateFirst) {
            ASSERT_EQ(peer.associate(SopClass::BasicGrayscalePrintManagementMeta), PduType::AssociateAc);
        }
        GetParam().misbehave(peer);
        peer.close();
    });
    EXPECT_TRUE(service.service.waitForEnds()) << "the faulty association was kept";
    EXPECT_TRUE(nextRequesterIsServed(service));
}

const WireFault WireFaultCases[] = {
    {"RandomBytes", false,
     [](RawPeer& peer) {
         ASSERT_TRUE(peer.send(randomBytes(4096)));
         EXPECT_TRUE(peer.waitForClose(Bound)) << "the service kept a connection that sent no PDU";
     }},
    {"AssociateRequestCutShort", false,
     [](RawPeer& peer) { ASSERT_TRUE(peer.send(firstBytes(associateRequest(SopClass::BasicGrayscalePrintManagementMeta), 40))); }},
    {"PdvLongerThanItsPdu", true,
     [](RawPeer& peer) {
         createSession(peer);
         RawBytes command = pDataPdu(true, true, commandSet(CommandField::NSetRq, SopClass::BasicFilmSession, "1.2.3", true));
         command[6] = 0x00; // the PDV claims far more than the PDU holds
         command[7] = 0x10;
         ASSERT_TRUE(peer.send(command));
         EXPECT_TRUE(peer.waitForClose(Bound)) << "the service kept an association whose PDU lied";
     }},
    {"ClosedInTheMiddleOfAnNSet", true,
     [](RawPeer& peer) {
         createSession(peer);
         ASSERT_TRUE(peer.send(pDataPdu(true, true, commandSet(CommandField::NSetRq, SopClass::BasicFilmSession, "1.2.3", true))));
         const RawBytes data = pDataPdu(false, true, textElement(Tag{0x2000, 0x0050}, std::string(600, 'X')));
         ASSERT_TRUE(peer.send(firstBytes(data, data.size() / 3)));
     }},
    {"CommandWithoutAResponse", true,
     [](RawPeer& peer) {
         createSession(peer);
         // An N-EVENT-REPORT response sent as if it were a request: DIMSE has no answer to it.
         ASSERT_TRUE(peer.send(pDataPdu(true, true, commandSet(0x8100, SopClass::BasicFilmSession, "1.2.3", false))));
         EXPECT_TRUE(peer.waitForClose(Bound)) << "the requester was left waiting for an answer";
     }},
    {"ReleaseNeverAnswered", true,
     [](RawPeer& peer) {
         createSession(peer);
         ASSERT_TRUE(peer.send({0x05, 0, 0, 0, 0, 4, 0, 0, 0, 0})); // A-RELEASE-RQ, then gone
     }},
    // Silence is dropped at the timeout, before and after the association.
    {"SilentAfterConnecting", false, [](RawPeer& peer) { EXPECT_TRUE(peer.waitForClose(Bound)); }},
    {"SilentAfterAssociating", true, [](RawPeer& peer) { EXPECT_TRUE(peer.waitForClose(Bound)); }},
};

INSTANTIATE_TEST_SUITE_P(Network, WireFaults, testing::ValuesIn(WireFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

constexpr int MaxAssociations = 16;

TEST(AssociationLimit, SeventeenthIsRejectedWhileSixteenAreServed)
{
    RecordingListener service;
    std::vector<char> served(MaxAssociations, false);
    std::uint8_t seventeenth = 0;
    runPeer([&] {
        std::latch allConnected(MaxAssociations);
        std::latch seventeenthTried(1);
        std::vector<std::thread> requesters;
        for (int i = 0; i < MaxAssociations; ++i) {
            requesters.emplace_back([&, i] {
                TestScu scu;
                const bool connected = scu.connect("127.0.0.1", service.port);
                allConnected.count_down();
                seventeenthTried.wait();
                served[i] = connected && scu.nAction(SopClass::BasicFilmBox, "1.2.3").received && scu.release();
            });
        }
        allConnected.wait();
        RawPeer extra;
        if (extra.connect(service.port))
            seventeenth = extra.associate(SopClass::BasicGrayscalePrintManagementMeta);
        seventeenthTried.count_down();
        for (auto& requester : requesters)
            requester.join();
    });
    EXPECT_EQ(seventeenth, PduType::AssociateRj);
    EXPECT_EQ(served, std::vector<char>(MaxAssociations, true));
    EXPECT_TRUE(service.service.waitForEnds());
    EXPECT_TRUE(nextRequesterIsServed(service));
}

// Connections that end as soon as they begin, in bursts, while ordinary requesters are served:
// a port monitor writing one line-feed byte, a request cut off by a close or an abort, a
// negotiation the service refuses, an echo-only association. Each is over within
// microseconds, which is exactly when the listener's own bookkeeping of an association must
// already be complete. A fault there corrupts the heap, so the case is only conclusive in a
// build whose allocator checks itself (glibc aborts, the sanitizers) or under valgrind.
TEST(ShortLivedConnections, InBurstsLeaveEveryOrdinaryRequesterServed)
{
    constexpr int Rounds = 6;
    constexpr int ProbesPerBurst = 20;
    RecordingListener service;
    const int port = service.port;
    std::atomic<int> refused{0};
    std::atomic<int> echoed{0};
    std::atomic<int> ordinary{0};
    // A film session N-CREATE, then the connection closed or aborted.
    const auto requestThenGone = [port](bool abort) {
        RawPeer peer;
        if (!peer.connect(port) || peer.associate(SopClass::BasicGrayscalePrintManagementMeta) != PduType::AssociateAc)
            return;
        peer.send(pDataPdu(true, true, commandSet(CommandField::NCreateRq, SopClass::BasicFilmSession, "", false)));
        if (abort)
            peer.send({PduType::Abort, 0, 0, 0, 0, 4, 0, 0, 0, 0});
    };
    const std::vector<std::function<void()>> burst = {
        [&] { requestThenGone(false); },
        [&] { requestThenGone(true); },
        [&] {
            RawPeer peer;
            if (peer.connect(port) && peer.associate(NotAcceptedSopClass) == PduType::AssociateRj)
                ++refused;
        },
        [&] {
            TestScu scu;
            ConnectOptions options;
            options.abstractSyntaxes = {SopClass::Verification};
            if (scu.connect("127.0.0.1", port, options) && scu.echo() && scu.release())
                ++echoed;
        },
    };
    runPeer([&] {
        std::vector<std::thread> requesters;
        for (int r = 0; r < 2; ++r)
            requesters.emplace_back([&] {
                for (int i = 0; i < 3; ++i)
                    ordinary += answered(port);
            });
        for (int round = 0; round < Rounds; ++round) {
            std::vector<std::thread> peers;
            for (int i = 0; i < ProbesPerBurst; ++i)
                peers.emplace_back([port] {
                    RawPeer peer;
                    if (peer.connect(port)) // what `echo > /dev/tcp/host/port` does
                        peer.send({'\n'});
                });
            for (const auto& peer : burst)
                peers.emplace_back(peer);
            for (auto& peer : peers)
                peer.join();
        }
        for (auto& requester : requesters)
            requester.join();
    });
    EXPECT_EQ(ordinary.load(), 6);
    EXPECT_EQ(refused.load(), Rounds);
    EXPECT_EQ(echoed.load(), Rounds);
    // The cut-off associations ended too: their handlers, and so their objects, are gone.
    EXPECT_TRUE(service.service.waitForEnds());
    EXPECT_TRUE(nextRequesterIsServed(service));
}

} // namespace
} // namespace kestrova
