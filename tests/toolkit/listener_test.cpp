#include "support/event_loop.h"
#include "support/test_scu.h"
#include "toolkit/dicom_log.h"
#include "toolkit/dicom_viewer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace kestrova {
namespace {

using namespace std::chrono_literals;
using test::freePort;
using test::pumpUntil;
using test::runPeer;
using test::TestScu;
namespace uid = test::uid;

constexpr Tag NumberOfCopies{0x2000, 0x0010};
constexpr Tag PrinterStatus{0x2110, 0x0010};
constexpr Tag ActionTypeId{0x0000, 0x1008};
constexpr Tag GrayscaleImageSequence{0x2020, 0x0110};
constexpr Tag PixelData{0x7FE0, 0x0010};

// A socket listening on a free loopback port, for as long as it lives.
class Listener {
public:
    Listener() : socket_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(socket_, 1);
        socklen_t length = sizeof address;
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Listener() { ::close(socket_); }
    int port() const { return port_; }

    static bool portIsFree(int port)
    {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        const int reuse = 1;
        ::setsockopt(probe, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        const bool free = ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(probe);
        return free;
    }

private:
    int socket_;
    int port_ = 0;
};

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
    std::atomic<int> ended{0};

    void associationStarted(Connection& c) override { record("start", c); }
    void NormalisedReceived(Connection& c) override
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
        ASSERT_TRUE(viewer.listen(port)) << log.text(100);
    }
    void waitForEnds(int count) { ASSERT_TRUE(pumpUntil([&] { return handler.ended >= count; })) << log.text(200); }

    RecordingHandler handler;
    DicomLog log;
    DicomViewer viewer{handler, log};
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
        responses.push_back(scu.nCreate(uid::FilmSession, "", withAttribute(NumberOfCopies, std::string("2"))));
        responses.push_back(scu.nSet(uid::GrayscaleImageBox, "1.2.3.5", test::makeImageBoxModification(image)));
        responses.push_back(scu.nGet(uid::Printer, uid::PrinterInstance));
        responses.push_back(scu.nAction(uid::FilmBox, "1.2.3.6", 1));
        responses.push_back(scu.nDelete(uid::FilmBox, "1.2.3.6"));
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
    EXPECT_EQ(handler.events[1].abstractSyntax, uid::GrayscaleMeta);
    EXPECT_EQ(handler.events[1].request->attribute(NumberOfCopies).asText(), "2");
    const Attribute sequence = handler.events[2].request->attribute(GrayscaleImageSequence);
    ASSERT_TRUE(sequence.exists());
    EXPECT_EQ(*sequence.asSequence()->item(1)->attribute(PixelData).asBytes(),
              (std::vector<std::uint8_t>{0, 1, 2, 10, 11, 12}));
    EXPECT_EQ(handler.events[3].request, nullptr) << "N-GET without attribute list has no data set";
    EXPECT_EQ(handler.events[4].command.attribute(ActionTypeId).asNumber(), 1);

    ASSERT_EQ(responses.size(), 5u);
    const std::uint16_t expectedFields[] = {0x8140, 0x8120, 0x8110, 0x8130, 0x8150};
    const std::string expectedClasses[] = {uid::FilmSession, uid::GrayscaleImageBox, uid::Printer, uid::FilmBox,
                                           uid::FilmBox};
    const std::string expectedInstances[] = {"1.2.3.100", "1.2.3.5", uid::PrinterInstance, "1.2.3.6", "1.2.3.6"};
    for (std::size_t i = 0; i < responses.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(responses[i].received);
        EXPECT_EQ(responses[i].commandField, expectedFields[i]);
        EXPECT_EQ(responses[i].messageIdBeingRespondedTo, i + 1);
        EXPECT_EQ(responses[i].affectedSopClassUid, expectedClasses[i]);
        EXPECT_EQ(responses[i].affectedSopInstanceUid, expectedInstances[i]);
    }
    EXPECT_EQ(responses[0].status, 0);
    EXPECT_EQ(responses[0].dataSet->attribute(NumberOfCopies).asText(), "2");
    EXPECT_EQ(responses[1].dataSet, nullptr);
    EXPECT_EQ(responses[2].status, 0);
    ASSERT_NE(responses[2].dataSet, nullptr);
    EXPECT_EQ(responses[2].dataSet->attribute(PrinterStatus).asText(), "NORMAL");
    EXPECT_EQ(responses[3].status, 0xC600);

    const std::string text = log.text(log.entryCount());
    EXPECT_NE(text.find("Association request from TESTSCU at 127.0.0.1"), std::string::npos) << text;
    EXPECT_NE(text.find("Received N-GET-RQ (message 3)"), std::string::npos);
    EXPECT_NE(text.find("Sending N-ACTION-RSP (message 4) status 0xC600"), std::string::npos);
    EXPECT_NE(text.find("Request data set:"), std::string::npos) << "data set dumps";
    EXPECT_NE(text.find("Association Received 127.0.0.1: TESTSCU -> KESTROVA"), std::string::npos)
        << "DCMTK's own log";
}

TEST_F(ListenerTest, RequestsCarryTheAbstractSyntaxOfTheirContext)
{
    handler.onRequest = [](Connection& c) { c.respond(0); };
    runPeer([&] {
        TestScu scu;
        test::ConnectOptions options;
        options.abstractSyntaxes = {uid::ColorMeta, uid::Printer};
        ASSERT_TRUE(scu.connect("127.0.0.1", port, options));
        ASSERT_TRUE(scu.useContext(uid::Printer));
        EXPECT_TRUE(scu.nGet(uid::Printer, uid::PrinterInstance).received);
        ASSERT_TRUE(scu.useContext(uid::ColorMeta));
        EXPECT_TRUE(scu.nGet(uid::Printer, uid::PrinterInstance).received);
        scu.release();
    });
    waitForEnds(1);
    ASSERT_EQ(handler.events.size(), 4u);
    EXPECT_EQ(handler.events[1].abstractSyntax, uid::Printer);
    EXPECT_EQ(handler.events[2].abstractSyntax, uid::ColorMeta);
}

TEST_F(ListenerTest, NotAcceptedAbstractSyntaxesAreRefused)
{
    runPeer([&] {
        TestScu scu;
        test::ConnectOptions options;
        options.abstractSyntaxes = {uid::BasicAnnotationBox};
        EXPECT_FALSE(scu.connect("127.0.0.1", port, options));
    });
    EXPECT_TRUE(handler.events.empty());
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
        EXPECT_EQ(scu.nSet(uid::GrayscaleImageBox, "1.2.3", test::makeImageBoxModification(image)).status, 0);
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

TEST_F(ListenerTest, EchoIsAnsweredWithoutTheHandler)
{
    runPeer([&] {
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        EXPECT_TRUE(scu.echo());
        scu.release();
    });
    waitForEnds(1);
    EXPECT_TRUE(handler.requestFields().empty());
}

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
        EXPECT_FALSE(scu.sendCommand(CommandField::NEventReportRq, uid::Printer, uid::PrinterInstance, nullptr, 1).received);
        EXPECT_FALSE(scu.nGet(uid::Printer, uid::PrinterInstance).received);
    });
    waitForEnds(1);
    EXPECT_EQ(handler.requestFields(), (std::vector<std::uint16_t>{CommandField::NEventReportRq}));
}

TEST_F(ListenerTest, AnAbortedAssociationStillEnds)
{
    handler.onRequest = [](Connection& c) { c.respond(0); };
    runPeer([&] {
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        EXPECT_TRUE(scu.nGet(uid::Printer, uid::PrinterInstance).received);
        scu.abort();
    });
    waitForEnds(1);
    EXPECT_EQ(handler.events.back().kind, "end");
}

TEST_F(ListenerTest, TwoAssociationsAreServedOneHandlerCallAtATime)
{
    handler.onRequest = [](Connection& c) {
        std::this_thread::sleep_for(5ms); // widen the window an overlap would need
        c.respond(0);
    };
    std::atomic<int> answered{0};
    const auto requester = [&] {
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        for (int i = 0; i < 10; ++i)
            answered += scu.nGet(uid::Printer, uid::PrinterInstance).received ? 1 : 0;
        scu.release();
    };
    runPeer([&] {
        std::thread other(requester);
        requester();
        other.join();
    });
    waitForEnds(2);
    EXPECT_EQ(answered.load(), 20);
    EXPECT_EQ(handler.mostInside, 1);
}

TEST_F(ListenerTest, AHandlerThatPumpsEventsLetsAnotherAssociationRunInsideIt)
{
    std::atomic<bool> firstInside{false};
    std::atomic<bool> secondHandled{false};
    handler.onRequest = [&](Connection& c) {
        if (c.commandField() == CommandField::NActionRq) {
            firstInside = true;
            pumpUntil([&] { return secondHandled.load(); }, 10s);
        } else {
            secondHandled = true;
        }
        c.respond(0);
    };
    std::atomic<int> answered{0};
    runPeer([&] {
        std::thread printer([&] {
            TestScu scu;
            ASSERT_TRUE(scu.connect("127.0.0.1", port));
            answered += scu.nAction(uid::FilmBox, "1.2.3").received ? 1 : 0;
            scu.release();
        });
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        while (!firstInside)
            std::this_thread::sleep_for(1ms);
        answered += scu.nGet(uid::Printer, uid::PrinterInstance).received ? 1 : 0;
        scu.release();
        printer.join();
    });
    waitForEnds(2);
    EXPECT_EQ(answered.load(), 2);
    EXPECT_TRUE(secondHandled.load());
    EXPECT_EQ(handler.mostInside, 2);
}

TEST_F(ListenerTest, StoppingWhileARequestWaitsForTheUiThreadReturnsPromptly)
{
    std::atomic<bool> sent{false};
    test::Response response;
    std::thread requester([&] {
        TestScu scu;
        if (!scu.connect("127.0.0.1", port))
            return;
        sent = true;
        response = scu.nGet(uid::Printer, uid::PrinterInstance);
    });
    // The UI thread is deliberately not serving events: the worker waits for it.
    for (int i = 0; i < 2000 && !sent; ++i)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(200ms);
    const auto started = std::chrono::steady_clock::now();
    viewer.stopListening();
    const auto took = std::chrono::steady_clock::now() - started;
    requester.join();
    EXPECT_TRUE(sent.load());
    EXPECT_LT(took, 5s) << "hang guard";
    EXPECT_FALSE(viewer.isListening());
    EXPECT_FALSE(response.received);
    EXPECT_TRUE(handler.requestFields().empty());
}

// A stop from inside a handler call cannot wait for that call's own worker: it returns,
// and the listener ends once the call has returned.
TEST_F(ListenerTest, StoppingFromInsideAHandlerCallReturns)
{
    std::chrono::steady_clock::duration took{};
    handler.onRequest = [&](Connection& c) {
        const auto started = std::chrono::steady_clock::now();
        viewer.stopListening();
        took = std::chrono::steady_clock::now() - started;
        c.respond(0);
    };
    runPeer([&] {
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        EXPECT_FALSE(scu.nGet(uid::Printer, uid::PrinterInstance).received);
    });
    EXPECT_LT(took, 5s) << "hang guard";
    EXPECT_FALSE(viewer.isListening());
    EXPECT_TRUE(pumpUntil([&] { return Listener::portIsFree(port); })) << "the left-behind listener ends";
}

TEST_F(ListenerTest, ListensAgainOnTheSamePortAfterAStop)
{
    viewer.stopListening();
    EXPECT_FALSE(viewer.isListening());
    ASSERT_TRUE(viewer.listen(port)) << log.text(100);
    EXPECT_TRUE(viewer.isListening());
    EXPECT_EQ(viewer.port(), port);
    runPeer([&] {
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        EXPECT_TRUE(scu.echo());
        scu.release();
    });
}

class ListenRefusal : public testing::TestWithParam<int> {};

TEST_P(ListenRefusal, PortsOutsideTheRangeAreRefusedWithALogLine)
{
    RecordingHandler handler;
    DicomLog log;
    DicomViewer viewer(handler, log);
    EXPECT_FALSE(viewer.listen(GetParam()));
    EXPECT_FALSE(viewer.isListening());
    EXPECT_NE(log.text(10).find("Cannot listen on port " + std::to_string(GetParam())), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Ports, ListenRefusal, testing::Values(0, -1, 65536, 70000));

TEST(Listen, APortInUseIsRefused)
{
    const Listener occupied;
    RecordingHandler handler;
    DicomLog log;
    DicomViewer viewer(handler, log);
    EXPECT_FALSE(viewer.listen(occupied.port()));
    EXPECT_NE(log.text(10).find("in use"), std::string::npos) << log.text(10);

    const int port = freePort();
    DicomViewer first(handler, log);
    ASSERT_TRUE(first.listen(port));
    EXPECT_FALSE(viewer.listen(port)) << "a port our own listener holds is in use too";
}

} // namespace
} // namespace kestrova
