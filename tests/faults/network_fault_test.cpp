// Peers that misbehave on the wire: garbage, cut-short and lying PDUs, silence, too many
// associations at once, a requester that vanishes in the middle of a request, bursts of
// connections that end at once. Whatever
// happens, the service keeps listening, keeps no object of the faulty association and
// prints the next ordinary job.
#include "e2e/service_fixture.h"
#include "printing/testing/recording_printers.h"
#include "raw_peer.h"
#include "support/nested_sequences.h"

#include "network/dicom_service.h"
#include "print_service/dimse_status.h"
#include "data/print_tags.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <latch>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>
#include <thread>

namespace kestrova {
namespace {

using namespace test;
using namespace std::chrono_literals;

// What the service must do comes long before this under any sanitizer on a loaded machine.
constexpr auto Bound = 60s;

RawBytes randomBytes(std::size_t count)
{
    std::mt19937 generator(20261206);
    std::uniform_int_distribution<int> byte(0, 255);
    RawBytes bytes(count);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(byte(generator));
    bytes[0] = 0xAB; // no PDU type
    return bytes;
}

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
    const auto response = peer.receive();
    ASSERT_TRUE(response.has_value()) << "no N-CREATE response";
    ASSERT_EQ(response->type, PduType::PData);
}

void expectOnlyThePrinterStays(ServiceFixture& service)
{
    EXPECT_TRUE(pumpUntil([&] { return service.storedCount() == 0; }, Bound))
        << service.storedCount() << " objects stored";
}

void expectEveryFilmPrinted(const ServiceFixture& service, const std::vector<JobOutcome>& outcomes,
                            std::size_t filmsBefore)
{
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        EXPECT_TRUE(outcomes[i].connected) << "requester " << i + 1;
        EXPECT_EQ(outcomes[i].actionStatus, DimseStatus::Success) << "requester " << i + 1;
    }
    EXPECT_EQ(service.films().size(), filmsBefore + outcomes.size());
}

// The response's Status (0000,0900) as an implicit little endian element.
bool answeredWithStatus(const std::optional<Pdu>& response, std::uint16_t status)
{
    const RawBytes element = {0x00, 0x00, 0x00, 0x09, 0x02, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(status),
                              static_cast<std::uint8_t>(status >> 8)};
    return response && response->type == PduType::PData
           && std::search(response->body.begin(), response->body.end(), element.begin(), element.end()) != response->body.end();
}

// An N-SET of a film session with the data set given, in PDUs of 64 KB.
void setFilmSessionTo(RawPeer& peer, const RawBytes& data)
{
    ASSERT_TRUE(peer.send(pDataPdu(true, true, commandSet(CommandField::NSetRq, SopClass::BasicFilmSession, "1.2.3", true))));
    constexpr std::size_t Fragment = 65536;
    for (std::size_t at = 0; at < data.size(); at += Fragment) {
        const std::size_t length = std::min(Fragment, data.size() - at);
        const auto from = data.begin() + static_cast<std::ptrdiff_t>(at);
        ASSERT_TRUE(peer.send(pDataPdu(false, at + length == data.size(), RawBytes(from, from + static_cast<std::ptrdiff_t>(length)))));
    }
}

// Empty private attributes, highest tag first: each one DCMTK's parser takes searches all before it.
RawBytes descendingAttributes(std::size_t count)
{
    Encoder e{DataSetEncoding::ImplicitLittleEndian, {}};
    for (std::size_t i = count; i > 0; --i)
        e.header(static_cast<std::uint16_t>(0x0009 + 2 * (i / 0x8000)), static_cast<std::uint16_t>(0x1000 + i % 0x8000), "", 0);
    return e.out;
}

struct WireFault {
    const char* name;
    bool associateFirst;
    std::function<void(RawPeer&)> misbehave;
};

class WireFaults : public testing::TestWithParam<WireFault> {};

TEST_P(WireFaults, AreSurvivedAndTheNextJobPrints)
{
    ServiceFixture service;
    // A PDU that announces more than it carries is only found out by the timeout.
    service.service.listener().setTimeouts(3s, 3s);
    service.service.restart();
    runPeer([&] {
        RawPeer peer;
        ASSERT_TRUE(peer.connect(service.port()));
        if (GetParam().associateFirst) {
            ASSERT_EQ(peer.associate(SopClass::BasicGrayscalePrintManagementMeta), PduType::AssociateAc);
        }
        GetParam().misbehave(peer);
        peer.close();
    });
    EXPECT_TRUE(service.service.isListening());
    expectOnlyThePrinterStays(service);
    EXPECT_TRUE(nextJobPrints(service));
}

const WireFault WireFaultCases[] = {
    {"RandomBytes", false,
     [](RawPeer& peer) {
         ASSERT_TRUE(peer.send(randomBytes(4096)));
         EXPECT_TRUE(peer.waitForClose(Bound)) << "the service kept a connection that sent no PDU";
     }},
    {"AssociateRequestCutShort", false,
     [](RawPeer& peer) {
         const RawBytes request = associateRequest(SopClass::BasicGrayscalePrintManagementMeta);
         ASSERT_TRUE(peer.send(RawBytes(request.begin(), request.begin() + 40)));
     }},
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
         ASSERT_TRUE(peer.send(RawBytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(data.size() / 3))));
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
    {"DataSetNested100000Deep", true,
     [](RawPeer& peer) {
         setFilmSessionTo(peer, nestedUndefined(DataSetEncoding::ImplicitLittleEndian, 100000));
         EXPECT_TRUE(answeredWithStatus(peer.receive(Bound), DimseStatus::ProcessingFailure));
     }},
    {"DataSetOf100000AttributesInDescendingOrder", true,
     [](RawPeer& peer) {
         setFilmSessionTo(peer, descendingAttributes(100000));
         EXPECT_TRUE(answeredWithStatus(peer.receive(Bound), DimseStatus::ProcessingFailure));
     }},
    // Silence is dropped at the timeout, before and after the association.
    {"SilentAfterConnecting", false, [](RawPeer& peer) { EXPECT_TRUE(peer.waitForClose(Bound)); }},
    {"SilentAfterAssociating", true, [](RawPeer& peer) { EXPECT_TRUE(peer.waitForClose(Bound)); }},
};

INSTANTIATE_TEST_SUITE_P(Network, WireFaults, testing::ValuesIn(WireFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

constexpr int MaxAssociations = 16;

TEST(AssociationLimit, SeventeenthIsRejectedWhileSixteenFinishTheirJobs)
{
    ServiceFixture service;
    const auto filmsBefore = service.films().size();
    std::vector<JobOutcome> outcomes(MaxAssociations);
    std::uint8_t seventeenth = 0;
    runPeer([&] {
        std::latch allConnected(MaxAssociations);
        std::latch seventeenthTried(1);
        std::vector<std::thread> requesters;
        for (int i = 0; i < MaxAssociations; ++i) {
            requesters.emplace_back([&, i] {
                TestScu scu;
                outcomes[i] = printOneFilm(scu, service.port(), [&] {
                    allConnected.count_down();
                    seventeenthTried.wait();
                });
            });
        }
        allConnected.wait();
        RawPeer extra;
        if (extra.connect(service.port()))
            seventeenth = extra.associate(SopClass::BasicGrayscalePrintManagementMeta);
        seventeenthTried.count_down();
        for (auto& requester : requesters)
            requester.join();
    });
    EXPECT_EQ(seventeenth, PduType::AssociateRj);
    expectEveryFilmPrinted(service, outcomes, filmsBefore);
    expectOnlyThePrinterStays(service);
    EXPECT_TRUE(nextJobPrints(service));
}

// Connections that end as soon as they begin, in bursts, while ordinary requesters print: a
// port monitor writing one line-feed byte, a request cut off by a close or an abort, a
// negotiation the service refuses, an echo-only association. Each is over within
// microseconds, which is exactly when the listener's own bookkeeping of an association must
// already be complete. A fault there corrupts the heap, so the case is only conclusive in a
// build whose allocator checks itself (glibc aborts, the sanitizers) or under valgrind.
TEST(ShortLivedConnections, InBurstsLeaveEveryFilmOfOrdinaryRequestersPrinted)
{
    constexpr int Rounds = 6;
    constexpr int ProbesPerBurst = 20;
    ServiceFixture service;
    const int port = service.port();
    const auto filmsBefore = service.films().size();
    std::atomic<int> refused{0};
    std::atomic<int> echoed{0};
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
            options.dimseTimeoutSeconds = 60;
            if (scu.connect("127.0.0.1", port, options) && scu.echo() && scu.release())
                ++echoed;
        },
    };
    std::vector<JobOutcome> films(6);
    runPeer([&] {
        std::vector<std::thread> requesters;
        for (std::size_t r = 0; r < films.size(); r += 3)
            requesters.emplace_back([&, r] {
                for (std::size_t f = r; f < r + 3; ++f) {
                    TestScu scu;
                    films[f] = printOneFilm(scu, port);
                }
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
    expectEveryFilmPrinted(service, films, filmsBefore);
    EXPECT_EQ(refused.load(), Rounds);
    EXPECT_EQ(echoed.load(), Rounds);
    EXPECT_TRUE(service.service.isListening());
    // The film sessions of the cut-off requests go with their associations.
    expectOnlyThePrinterStays(service);
    EXPECT_EQ(service.errorLog(), "");
    EXPECT_TRUE(nextJobPrints(service));
}

// Peers at the front door: connections that send nothing or dribble their request, requests the
// service refuses at once. Each holds its connections open beside an ordinary print job, which
// must go through meanwhile; timings are in bench/front_door.cpp.
struct FrontDoorAttack {
    const char* name;
    // On a thread of its own: counts `ready` down once its connections are open, holds them until
    // the job is over and checks what it got.
    std::function<void(ServiceFixture& service, std::latch& ready, const std::atomic<bool>& jobOver)> run;
};

void holdUntil(const std::atomic<bool>& over)
{
    const auto deadline = std::chrono::steady_clock::now() + Bound;
    while (!over && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
}

std::string dicomLog(ServiceFixture& service) { return service.service.log().text(service.service.log().entryCount()); }

// Requests with AE titles (called, calling) the service refuses, each title `copies` times, all
// sent before any answer is read; the A-ASSOCIATE-RJ bodies they got.
std::vector<RawBytes> refusedTitles(int port, std::vector<std::pair<std::string, std::string>> titles, std::size_t copies,
                                    std::latch& ready, const std::atomic<bool>& jobOver)
{
    std::vector<RawPeer> peers(titles.size() * copies);
    for (std::size_t i = 0; i < peers.size(); ++i)
        if (const auto& [called, calling] = titles[i % titles.size()]; peers[i].connect(port))
            peers[i].send(associateRequest(SopClass::BasicGrayscalePrintManagementMeta, called, calling));
    ready.count_down();
    std::vector<RawBytes> answers;
    for (RawPeer& peer : peers)
        if (const auto answer = peer.receive(Bound); answer && answer->type == PduType::AssociateRj)
            answers.push_back(answer->body);
    holdUntil(jobOver);
    return answers;
}

const FrontDoorAttack FrontDoorAttacks[] = {
    {"SixteenSilentConnectionsAndOneSendingItsRequestAByteEvery300ms",
     [](ServiceFixture& service, std::latch& ready, const std::atomic<bool>& jobOver) {
         std::vector<RawPeer> silent(MaxAssociations);
         for (RawPeer& peer : silent)
             peer.connect(service.port());
         RawPeer slow;
         const RawBytes request = associateRequest(SopClass::BasicGrayscalePrintManagementMeta);
         slow.connect(service.port());
         slow.send({request[0]});
         ready.count_down();
         for (std::size_t i = 1; i < request.size() && !jobOver; ++i) {
             std::this_thread::sleep_for(300ms);
             slow.send({request[i]});
         }
         holdUntil(jobOver);
     }},
    {"ThirtyThreeSilentConnections",
     [](ServiceFixture& service, std::latch& ready, const std::atomic<bool>& jobOver) {
         std::vector<RawPeer> silent(static_cast<std::size_t>(Limits{}.PendingConnections) + 1);
         for (RawPeer& peer : silent)
             peer.connect(service.port());
         ready.count_down();
         EXPECT_TRUE(silent.front().waitForClose(Bound)) << "the connection waiting longest was kept";
         holdUntil(jobOver);
         EXPECT_NE(dicomLog(service).find("32 connections were waiting for their association request"), std::string::npos)
             << dicomLog(service);
     }},
    {"SixteenBlankOrNulAeTitles",
     [](ServiceFixture& service, std::latch& ready, const std::atomic<bool>& jobOver) {
         const auto answers
             = refusedTitles(service.port(), {{"KESTROVA", ""}, {std::string(16, '\0'), "RAWPEER"}}, 8, ready, jobOver);
         ASSERT_EQ(answers.size(), 16u) << dicomLog(service);
         // Rejected permanently by the service user: calling (3) or called (7) AE title not recognised.
         EXPECT_EQ(std::count(answers.begin(), answers.end(), RawBytes{0, 1, 1, 3}), 8);
         EXPECT_EQ(std::count(answers.begin(), answers.end(), RawBytes{0, 1, 1, 7}), 8);
         EXPECT_NE(dicomLog(service).find("the calling AE title is empty or blank"), std::string::npos) << dicomLog(service);
     }},
    {"AeTitleWithALineBreak",
     [](ServiceFixture& service, std::latch& ready, const std::atomic<bool>& jobOver) {
         EXPECT_EQ(refusedTitles(service.port(), {{"KESTROVA", "EVIL\r\nListening"}}, 1, ready, jobOver).size(), 1u);
         const std::string log = dicomLog(service);
         EXPECT_NE(log.find("Association request from EVIL\\r\\nListening at 127.0.0.1"), std::string::npos) << log;
         EXPECT_EQ(log.find("\nListening at"), std::string::npos) << "a peer's text started a log line:\n" << log;
     }},
};

class FrontDoor : public testing::TestWithParam<FrontDoorAttack> {};

TEST_P(FrontDoor, HoldsUpNoOneElse)
{
    ServiceFixture service;
    const auto filmsBefore = service.films().size();
    JobOutcome job;
    runPeer([&] {
        std::latch ready(1);
        std::atomic<bool> jobOver{false};
        std::thread attacker([&] { GetParam().run(service, ready, jobOver); });
        ready.wait();
        TestScu scu;
        job = printOneFilm(scu, service.port());
        jobOver = true;
        attacker.join();
    });
    expectEveryFilmPrinted(service, {job}, filmsBefore);
    EXPECT_TRUE(nextJobPrints(service));
}

INSTANTIATE_TEST_SUITE_P(Network, FrontDoor, testing::ValuesIn(FrontDoorAttacks),
                         [](const auto& info) { return std::string(info.param.name); });

std::size_t linesWith(const DicomLog& log, const std::string& text)
{
    const std::string all = log.text(log.entryCount());
    std::size_t count = 0;
    for (auto at = all.find(text); at != std::string::npos; at = all.find(text, at + 1))
        ++count;
    return count;
}

// SIGTERM's path, the service's own stop, while sixteen requesters wait for their N-ACTION: the
// films printing finish and are answered, those waiting for a print slot are answered 0x0110
// without printing, no film begins after the stop began, and every requester has its answer or
// an abort (none is left waiting).
TEST(Stop, DuringSixteenNActionsAnswersEachAndPrintsNothingForAPeerThatIsGone)
{
    RecordingPrinters printers;
    ServiceFixture fixture(&printers);
    PrintService& service = fixture.service;
    // Films wait at a gate until the test opens it, each counted as begun before or after the
    // service began to stop (the "Stopping" line of the DICOM log).
    struct {
        std::mutex mutex;
        std::condition_variable changed;
        bool open = false;
        int begunBeforeStop = 0;
        int begunAfterStop = 0;
    } gate;
    const auto stopping = [&] { return linesWith(service.log(), "Stopping listening") > 0; };
    printers.setBeforePrint([&] {
        std::unique_lock lock(gate.mutex);
        ++(stopping() ? gate.begunAfterStop : gate.begunBeforeStop);
        gate.changed.wait_for(lock, Bound, [&] { return gate.open; });
    });
    std::vector<std::uint16_t> actions(MaxAssociations, NoAnswer);
    std::vector<std::thread> requesters;
    for (auto& action : actions)
        requesters.emplace_back([&, port = fixture.port()] {
            TestScu scu;
            action = printOneFilm(scu, port).actionStatus;
        });
    ASSERT_TRUE(pumpUntil([&] {
        const std::lock_guard lock(gate.mutex);
        return linesWith(service.log(), "Received N-ACTION-RQ") == actions.size() && gate.begunBeforeStop > 0;
    }, Bound)) << service.log().text(service.log().entryCount());
    std::thread opener([&] {
        pumpUntil(stopping, Bound);
        const std::lock_guard lock(gate.mutex);
        gate.open = true;
        gate.changed.notify_all();
    });
    service.stopListening();
    opener.join();
    for (auto& requester : requesters)
        requester.join();

    const auto succeeded = std::count(actions.begin(), actions.end(), DimseStatus::Success);
    for (const std::uint16_t action : actions)
        EXPECT_TRUE(action == NoAnswer || action == DimseStatus::Success || action == DimseStatus::ProcessingFailure) << action;
    EXPECT_EQ(gate.begunAfterStop, 0) << "a film began after the stop";
    const auto printed = static_cast<std::ptrdiff_t>(printers.pages().size());
    EXPECT_EQ(printed, gate.begunBeforeStop);
    EXPECT_EQ(printed, succeeded) << "a film printed whose requester did not hear so";
    EXPECT_GT(succeeded, 0);
}

} // namespace
} // namespace kestrova
