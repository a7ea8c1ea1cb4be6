#include "support/event_loop.h"
#include "support/test_scu.h"
#include "network/dicom_log.h"
#include "network/dicom_listener.h"
#include "data/image_tags.h"
#include "data/print_tags.h"
#include "network/internal/port_probe.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpServer>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <tuple>
#include <vector>

namespace kestrova {
namespace {

using namespace std::chrono_literals;
using test::freePort;
using test::pumpUntil;
using test::runPeer;
using test::TestScu;

using PrintTag::NumberOfCopies;
using PrintTag::PrinterStatus;
using ImageTag::PixelData;
constexpr Tag ActionTypeId{0x0000, 0x1008};
constexpr Tag GrayscaleImageSequence = PrintTag::BasicGrayscaleImageSequence;

struct Event {
    std::string kind;
    std::uint16_t commandField = 0;
    bool onUiThread = false;
    std::string abstractSyntax;
    DataSet command;
    DataSetPtr request;
    const Connection* connection = nullptr;
};

class RecordingHandler : public ConnectionHandler {
public:
    std::function<void(Connection&)> onRequest;
    std::vector<Event> events;
    std::atomic<int> inside{0};
    int mostInside = 0;
    std::atomic<int> started{0};
    std::atomic<int> ended{0};

    void associationStarted(Connection& c) override
    {
        record("start", c);
        ++started;
    }
    void handleRequest(Connection& c) override
    {
        mostInside = std::max(mostInside, ++inside);
        record("request", c);
        if (onRequest)
            onRequest(c);
        --inside;
    }
    void associationEnded(Connection& c) override
    {
        record("end", c);
        ++ended;
    }

    std::vector<std::uint16_t> requestFields() const
    {
        std::vector<std::uint16_t> fields;
        for (const Event& e : events)
            if (e.kind == "request")
                fields.push_back(e.commandField);
        return fields;
    }

private:
    void record(const char* kind, Connection& c)
    {
        const bool request = std::string(kind) == "request";
        events.push_back(Event{kind, request ? c.commandField() : std::uint16_t(0),
                               QThread::currentThread() == QCoreApplication::instance()->thread(),
                               request ? c.abstractSyntax() : std::string(), request ? c.command() : DataSet(),
                               request ? c.request() : nullptr, &c});
    }
};

// Waits, without serving the UI thread's events, until a worker has logged the text this often.
bool waitForLogLines(const DicomLog& log, const std::string& text, int count)
{
    for (int i = 0; i < 60000; ++i) {
        const std::string all = log.text(log.entryCount());
        int found = 0;
        for (auto at = all.find(text); at != std::string::npos; at = all.find(text, at + 1))
            ++found;
        if (found >= count)
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

DataSetPtr withAttribute(Tag tag, Value value)
{
    auto d = std::make_shared<DataSet>();
    d->add(tag, std::move(value));
    return d;
}

class ListenerTest : public testing::Test {
protected:
    void SetUp() override
    {
        port = freePort();
        ASSERT_TRUE(listener.listen(port)) << log.text(100);
    }
    void waitForEnds(int count) { ASSERT_TRUE(pumpUntil([&] { return handler.ended >= count; })) << log.text(200); }

    RecordingHandler handler;
    DicomLog log;
    DicomListener listener{handler, log};
    int port = 0;
};

// What a print SCU does in one association, answered by the handler.
TEST_F(ListenerTest, RequestsReachTheHandlerInOrderAndResponsesCarryWhatItGave)
{
    handler.onRequest = [](Connection& c) {
        switch (c.commandField()) {
        case CommandField::NCreateRq: {
            auto created = std::make_shared<DataSet>();
            created->setSopInstanceUid("1.2.3.100");
            created->add(NumberOfCopies, std::string("2"));
            c.respond(created, 0);
            break;
        }
        case CommandField::NGetRq:
            c.respond(withAttribute(PrinterStatus, std::string("NORMAL")), 0x0110);
            c.respond(0); // one response: the data set with the last status
            break;
        case CommandField::NActionRq: c.respond(0xC600); break;
        default: c.respond(0);
        }
    };
    test::ImageSpec image;
    image.rows = 2;
    image.columns = 3;
    image.pixel = [](int r, int c, int) { return static_cast<std::uint16_t>(10 * r + c); };
    std::vector<test::Response> responses;
    runPeer([&] {
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        responses.push_back(scu.nCreate(SopClass::BasicFilmSession, "", withAttribute(NumberOfCopies, std::string("2"))));
        responses.push_back(scu.nSet(SopClass::BasicGrayscaleImageBox, "1.2.3.5", test::makeImageBoxModification(image)));
        responses.push_back(scu.nGet(SopClass::Printer, SopClass::PrinterInstance));
        responses.push_back(scu.nAction(SopClass::BasicFilmBox, "1.2.3.6", 1));
        responses.push_back(scu.nDelete(SopClass::BasicFilmBox, "1.2.3.6"));
        EXPECT_TRUE(scu.release());
    });
    waitForEnds(1);

    ASSERT_EQ(handler.events.size(), 7u);
    EXPECT_EQ(handler.events.front().kind, "start");
    EXPECT_EQ(handler.events.back().kind, "end");
    EXPECT_EQ(handler.requestFields(),
              (std::vector<std::uint16_t>{CommandField::NCreateRq, CommandField::NSetRq, CommandField::NGetRq,
                                          CommandField::NActionRq, CommandField::NDeleteRq}));
    for (const Event& e : handler.events) {
        EXPECT_TRUE(e.onUiThread) << e.kind;
        EXPECT_EQ(e.connection, handler.events.front().connection) << "one connection per association";
    }
    EXPECT_EQ(handler.events[1].abstractSyntax, SopClass::BasicGrayscalePrintManagementMeta);
    EXPECT_EQ(handler.events[1].request->attribute(NumberOfCopies).asText(), "2");
    const Attribute sequence = handler.events[2].request->attribute(GrayscaleImageSequence);
    ASSERT_TRUE(sequence.exists());
    EXPECT_EQ(*sequence.asSequence()->item(1)->attribute(PixelData).asBytes(),
              (std::vector<std::uint8_t>{0, 1, 2, 10, 11, 12}));
    EXPECT_EQ(handler.events[3].request, nullptr) << "N-GET without attribute list has no data set";
    EXPECT_EQ(handler.events[4].command.attribute(ActionTypeId).asNumber(), 1);

    // Command field, message answered, status, affected SOP class and instance of each response.
    using Head = std::tuple<bool, std::uint16_t, std::uint16_t, std::uint16_t, std::string, std::string>;
    std::vector<Head> heads;
    for (const test::Response& r : responses)
        heads.emplace_back(r.received, r.commandField, r.messageIdBeingRespondedTo, r.status, r.affectedSopClassUid,
                           r.affectedSopInstanceUid);
    EXPECT_EQ(heads, (std::vector<Head>{{true, 0x8140, 1, 0, SopClass::BasicFilmSession, "1.2.3.100"},
                                        {true, 0x8120, 2, 0, SopClass::BasicGrayscaleImageBox, "1.2.3.5"},
                                        {true, 0x8110, 3, 0, SopClass::Printer, SopClass::PrinterInstance},
                                        {true, 0x8130, 4, 0xC600, SopClass::BasicFilmBox, "1.2.3.6"},
                                        {true, 0x8150, 5, 0, SopClass::BasicFilmBox, "1.2.3.6"}}));
    ASSERT_NE(responses[0].dataSet, nullptr);
    EXPECT_EQ(responses[0].dataSet->attribute(NumberOfCopies).asText(), "2");
    EXPECT_EQ(responses[1].dataSet, nullptr);
    ASSERT_NE(responses[2].dataSet, nullptr);
    EXPECT_EQ(responses[2].dataSet->attribute(PrinterStatus).asText(), "NORMAL");

    const std::string text = log.text(log.entryCount());
    EXPECT_NE(text.find("Association request from TESTSCU at 127.0.0.1"), std::string::npos) << text;
    EXPECT_NE(text.find("Received N-GET-RQ (message 3)"), std::string::npos);
    EXPECT_NE(text.find("Sending N-ACTION-RSP (message 4) status 0xC600"), std::string::npos);
    EXPECT_NE(text.find("Request data set:"), std::string::npos) << "data set dumps";
    EXPECT_NE(text.find("Association Received 127.0.0.1: TESTSCU -> KESTROVA"), std::string::npos)
        << "DCMTK's own log";
    // The requester's side of the negotiation: the listener takes PDUs of 128 KB.
    EXPECT_NE(text.find("Max Send PDV: 131060"), std::string::npos) << text;
}

class ListenerTransferSyntax : public ListenerTest, public testing::WithParamInterface<test::TransferSyntax> {};

TEST_P(ListenerTransferSyntax, PixelDataArrivesInHostOrder)
{
    handler.onRequest = [](Connection& c) { c.respond(0); };
    test::ImageSpec image;
    image.rows = 2;
    image.columns = 2;
    image.bitsStored = 12;
    image.pixel = [](int r, int c, int) { return static_cast<std::uint16_t>(0x0F00 + 2 * r + c); };
    runPeer([&] {
        TestScu scu;
        test::ConnectOptions options;
        options.transferSyntax = GetParam();
        ASSERT_TRUE(scu.connect("127.0.0.1", port, options));
        EXPECT_EQ(scu.nSet(SopClass::BasicGrayscaleImageBox, "1.2.3", test::makeImageBoxModification(image)).status, 0);
        scu.release();
    });
    waitForEnds(1);
    ASSERT_EQ(handler.events.size(), 3u);
    const Bytes& pixels =
        handler.events[1].request->attribute(GrayscaleImageSequence).asSequence()->item(1)->attribute(PixelData).asBytes();
    ASSERT_EQ(pixels->size(), 8u);
    std::uint16_t last = 0;
    std::memcpy(&last, pixels->data() + 6, 2);
    EXPECT_EQ(last, 0x0F03);
}

INSTANTIATE_TEST_SUITE_P(Each, ListenerTransferSyntax,
                         testing::Values(test::TransferSyntax::ExplicitLittleEndian,
                                         test::TransferSyntax::ImplicitLittleEndian,
                                         test::TransferSyntax::ExplicitBigEndian));

// A requester must never wait for an answer that will not come: the association goes.
TEST_F(ListenerTest, ARequestTheHandlerLeavesUnansweredAbortsTheAssociation)
{
    handler.onRequest = [](Connection& c) {
        if (c.commandField() != CommandField::NEventReportRq)
            c.respond(0);
    };
    runPeer([&] {
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        EXPECT_FALSE(scu.sendCommand(CommandField::NEventReportRq, SopClass::Printer, SopClass::PrinterInstance, nullptr, 1).received);
        EXPECT_FALSE(scu.nGet(SopClass::Printer, SopClass::PrinterInstance).received);
    });
    waitForEnds(1);
    EXPECT_EQ(handler.requestFields(), (std::vector<std::uint16_t>{CommandField::NEventReportRq}));
}

// The first handler call holds the UI thread until the other association's request has
// reached its worker: that request must wait until the call is over.
TEST_F(ListenerTest, TwoAssociationsAreServedOneHandlerCallAtATime)
{
    bool otherArrivedWhileInside = false;
    handler.onRequest = [&](Connection& c) {
        if (handler.requestFields().size() == 1)
            otherArrivedWhileInside = waitForLogLines(log, "Received N-GET-RQ", 2);
        c.respond(0);
    };
    std::atomic<int> answered{0};
    const auto requester = [&] {
        TestScu scu;
        const bool connected = scu.connect("127.0.0.1", port);
        // Both association starts are delivered before either request can hold the UI thread.
        for (int i = 0; i < 60000 && handler.started < 2; ++i)
            std::this_thread::sleep_for(1ms);
        if (connected && scu.nGet(SopClass::Printer, SopClass::PrinterInstance).received)
            ++answered;
        scu.release();
    };
    runPeer([&] {
        std::thread other(requester);
        requester();
        other.join();
    });
    waitForEnds(2);
    EXPECT_TRUE(otherArrivedWhileInside);
    EXPECT_EQ(answered.load(), 2);
    EXPECT_EQ(handler.mostInside, 1);
}

// Work a handler leaves for the association's thread runs there, while the UI thread serves
// another association; its answer is the one sent, after its follow-up ran on the UI thread.
TEST_F(ListenerTest, WorkLeftForTheAssociationThreadLetsOtherAssociationsGoOn)
{
    std::atomic<bool> otherHandled{false};
    std::atomic<bool> workOnUiThread{true};
    std::atomic<bool> otherHandledDuringWork{false};
    std::atomic<bool> followUpOnUiThread{false};
    const auto onUiThread = [] { return QThread::currentThread() == QCoreApplication::instance()->thread(); };
    handler.onRequest = [&](Connection& c) {
        if (c.commandField() != CommandField::NActionRq) {
            otherHandled = true;
            return c.respond(0);
        }
        c.continueOnAssociationThread([&](Connection& own) -> Connection::UiFollowUp {
            workOnUiThread = onUiThread();
            for (int i = 0; i < 60000 && !otherHandled; ++i)
                std::this_thread::sleep_for(1ms);
            otherHandledDuringWork = otherHandled.load();
            own.respond(0xC600);
            return [&] { followUpOnUiThread = onUiThread(); };
        });
    };
    std::uint16_t actionStatus = 0;
    runPeer([&] {
        std::thread printer([&] {
            TestScu scu;
            ASSERT_TRUE(scu.connect("127.0.0.1", port));
            actionStatus = scu.nAction(SopClass::BasicFilmBox, "1.2.3").status;
            scu.release();
        });
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        ASSERT_TRUE(waitForLogLines(log, "Received N-ACTION-RQ", 1));
        EXPECT_TRUE(scu.nGet(SopClass::Printer, SopClass::PrinterInstance).received);
        scu.release();
        printer.join();
    });
    waitForEnds(2);
    EXPECT_FALSE(workOnUiThread.load());
    EXPECT_TRUE(otherHandledDuringWork.load());
    EXPECT_TRUE(followUpOnUiThread.load());
    EXPECT_EQ(actionStatus, 0xC600);
    EXPECT_EQ(handler.mostInside, 1);
}

// Preparations that fill every slot of theirs (one per core, at least two) still leave the
// work whose outcome is an answer its own slot.
TEST_F(ListenerTest, PreparationsHoldingAllTheirSlotsNeverHoldUpAnAnswer)
{
    const int preparations = std::max(2, static_cast<int>(std::thread::hardware_concurrency()));
    std::atomic<int> preparing{0};
    std::atomic<bool> answerRan{false};
    std::atomic<int> preparationsThatSawTheAnswer{0};
    handler.onRequest = [&](Connection& c) {
        if (c.commandField() == CommandField::NActionRq) {
            c.continueOnAssociationThread([&](Connection& own) -> Connection::UiFollowUp {
                answerRan = true;
                own.respond(0);
                return {};
            });
            return;
        }
        c.respond(0);
        c.continueOnAssociationThread(
            [&](Connection&) -> Connection::UiFollowUp {
                ++preparing;
                for (int i = 0; i < 10000 && !answerRan; ++i)
                    std::this_thread::sleep_for(1ms);
                if (answerRan)
                    ++preparationsThatSawTheAnswer;
                return {};
            },
            Connection::WorkTiming::BeforeResponse, Connection::WorkKind::Preparation);
    };
    runPeer([&] {
        std::vector<std::thread> preparers;
        for (int p = 0; p < preparations; ++p)
            preparers.emplace_back([&] {
                TestScu scu;
                ASSERT_TRUE(scu.connect("127.0.0.1", port));
                scu.nGet(SopClass::Printer, SopClass::PrinterInstance);
                scu.release();
            });
        for (int i = 0; i < 10000 && preparing < preparations; ++i)
            std::this_thread::sleep_for(1ms);
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        EXPECT_EQ(scu.nAction(SopClass::BasicFilmBox, "1.2.3").status, 0);
        scu.release();
        for (std::thread& preparer : preparers)
            preparer.join();
    });
    waitForEnds(preparations + 1);
    EXPECT_EQ(preparing.load(), preparations);
    EXPECT_EQ(preparationsThatSawTheAnswer.load(), preparations);
}

TEST_F(ListenerTest, WorkLeftForAfterTheResponseRunsOnceTheRequesterHasIt)
{
    std::atomic<bool> answered{false};
    std::atomic<bool> answeredBeforeTheWork{false};
    handler.onRequest = [&](Connection& c) {
        c.respond(0);
        c.continueOnAssociationThread(
            [&](Connection&) -> Connection::UiFollowUp {
                for (int i = 0; i < 10000 && !answered; ++i)
                    std::this_thread::sleep_for(1ms);
                answeredBeforeTheWork = answered.load();
                return {};
            },
            Connection::WorkTiming::AfterResponse);
    };
    runPeer([&] {
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        answered = scu.nGet(SopClass::Printer, SopClass::PrinterInstance).received;
        scu.release();
    });
    waitForEnds(1);
    EXPECT_TRUE(answeredBeforeTheWork.load());
}

TEST_F(ListenerTest, StoppingWhileARequestWaitsForTheUiThreadReturns)
{
    test::Response response;
    std::atomic<bool> pumpingDone = false;
    std::thread requester([&] {
        TestScu scu;
        if (!scu.connect("127.0.0.1", port))
            return;
        // The request must not reach the last pass of the pump below, which would serve it.
        for (int i = 0; i < 60000 && !pumpingDone; ++i)
            std::this_thread::sleep_for(1ms);
        response = scu.nGet(SopClass::Printer, SopClass::PrinterInstance);
    });
    // Once the association start is delivered the UI thread deliberately serves no more
    // events: the worker waits for it with the request.
    ASSERT_TRUE(pumpUntil([&] { return !handler.events.empty(); }));
    pumpingDone = true;
    const bool arrived = waitForLogLines(log, "Received N-GET-RQ", 1);
    listener.stopListening();
    requester.join();
    EXPECT_TRUE(arrived) << log.text(100);
    EXPECT_FALSE(listener.isListening());
    EXPECT_FALSE(response.received);
    EXPECT_TRUE(handler.requestFields().empty());
}

// A stop from inside a handler call cannot wait for that call's own worker: it returns,
// and the listener ends once the call has returned.
TEST_F(ListenerTest, StoppingFromInsideAHandlerCallReturns)
{
    bool stoppedInside = false;
    handler.onRequest = [&](Connection& c) {
        listener.stopListening();
        stoppedInside = true;
        c.respond(0);
    };
    runPeer([&] {
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        EXPECT_FALSE(scu.nGet(SopClass::Printer, SopClass::PrinterInstance).received);
    });
    EXPECT_TRUE(stoppedInside);
    EXPECT_FALSE(listener.isListening());
    EXPECT_TRUE(pumpUntil([&] { return port_probe::isFree(port); })) << "the left-behind listener ends";
}

// C-ECHO is the listener's own business: the handler never sees it.
TEST_F(ListenerTest, ListensAgainOnTheSamePortAfterAStopAndAnswersEcho)
{
    listener.stopListening();
    EXPECT_FALSE(listener.isListening());
    ASSERT_TRUE(listener.listen(port)) << log.text(100);
    EXPECT_TRUE(listener.isListening());
    EXPECT_EQ(listener.port(), port);
    runPeer([&] {
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        EXPECT_TRUE(scu.echo());
        scu.release();
    });
    waitForEnds(1);
    EXPECT_TRUE(handler.requestFields().empty());
}

// A port outside the range, one another program holds and one our own listener holds.
TEST(Listen, RefusesAPortItCannotHaveWithALogLine)
{
    QTcpServer occupied;
    ASSERT_TRUE(occupied.listen(QHostAddress::LocalHost, 0));
    RecordingHandler handler;
    DicomLog log;
    DicomListener first(handler, log);
    const int ownPort = freePort();
    ASSERT_TRUE(first.listen(ownPort));
    DicomListener listener(handler, log);
    for (const int port : {0, -1, 65536, 70000, int(occupied.serverPort()), ownPort}) {
        EXPECT_FALSE(listener.listen(port)) << port;
        EXPECT_FALSE(listener.isListening()) << port;
        const std::string reason = port > 0 && port < 65536 ? ": it is in use" : ": not a TCP port";
        EXPECT_NE(log.text(log.entryCount()).find("Cannot listen on port " + std::to_string(port) + reason),
                  std::string::npos) << log.text(log.entryCount());
    }
}

} // namespace
} // namespace kestrova
