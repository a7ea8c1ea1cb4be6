#include "data/image_tags.h"
#include "data/print_tags.h"
#include "support/recording_service.h"
#include "support/test_scu.h"

#include <gtest/gtest.h>

#include <QTcpServer>

#include <atomic>
#include <cstring>
#include <tuple>

namespace kestrova {
namespace {

using namespace std::chrono_literals;
using test::RecordedAssociation;
using test::runPeer;
using test::TestScu;

constexpr Tag GrayscaleImageSequence = PrintTag::BasicGrayscaleImageSequence;

DataSetPtr withAttribute(Tag tag, Value value)
{
    auto dataSet = std::make_shared<DataSet>();
    dataSet->add(tag, std::move(value));
    return dataSet;
}

class ListenerTest : public testing::Test, protected test::RecordingListener {
protected:
    void SetUp() override { ASSERT_TRUE(listening) << logText(); }
};

// What a print SCU does in one association: each request reaches the association's handler on
// the association's own thread, and the response carries what the handler returned.
TEST_F(ListenerTest, RequestsReachTheirAssociationsHandlerAndResponsesCarryWhatItReturned)
{
    service.answer = [](const Request& request) {
        switch (request.commandField) {
        case CommandField::NCreateRq: {
            auto created = withAttribute(PrintTag::NumberOfCopies, std::string("2"));
            created->setSopInstanceUid("1.2.3.100");
            return Response{0, created, {}};
        }
        case CommandField::NGetRq: return Response{0, withAttribute(PrintTag::PrinterStatus, std::string("NORMAL")), {}};
        case CommandField::NActionRq: return Response{0xC600, nullptr, {}};
        default: return Response{};
        }
    };
    const auto image = test::sizedImage(2, 3, [](int r, int c, int) { return static_cast<std::uint16_t>(10 * r + c); });
    std::vector<test::Response> responses;
    runPeer([&] {
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        responses.push_back(scu.nCreate(SopClass::BasicFilmSession, "", withAttribute(PrintTag::NumberOfCopies, std::string("2"))));
        responses.push_back(scu.nSet(SopClass::BasicGrayscaleImageBox, "1.2.3.5", test::makeImageBoxModification(image)));
        responses.push_back(scu.nGet(SopClass::Printer, SopClass::PrinterInstance));
        responses.push_back(scu.nAction(SopClass::BasicFilmBox, "1.2.3.6", 7));
        responses.push_back(scu.nDelete(SopClass::BasicFilmBox, "1.2.3.6"));
        EXPECT_TRUE(scu.release());
    });
    ASSERT_TRUE(service.waitForEnds(1)) << logText();

    const auto associations = service.associations();
    ASSERT_EQ(associations.size(), 1u);
    const RecordedAssociation& association = associations[0];
    EXPECT_EQ(association.info.callingAeTitle, "TESTSCU");
    EXPECT_EQ(association.info.calledAeTitle, "KESTROVA");
    EXPECT_EQ(association.info.peerHost, "127.0.0.1");
    ASSERT_EQ(association.requests.size(), 5u);
    for (const auto& thread : association.threads) {
        EXPECT_EQ(thread, association.threads[0]) << "one thread per association";
        EXPECT_NE(thread, std::this_thread::get_id());
    }
    const Request& create = association.requests[0];
    EXPECT_EQ(std::tie(create.commandField, create.sopClassUid, create.abstractSyntax),
              std::tie(CommandField::NCreateRq, SopClass::BasicFilmSession, SopClass::BasicGrayscalePrintManagementMeta));
    EXPECT_EQ(create.dataSet->attribute(PrintTag::NumberOfCopies).asText(), "2");
    const Attribute sequence = association.requests[1].dataSet->attribute(GrayscaleImageSequence);
    EXPECT_EQ(*sequence.asSequence()->item(1)->attribute(ImageTag::PixelData).asBytes(),
              (std::vector<std::uint8_t>{0, 1, 2, 10, 11, 12}));
    EXPECT_EQ(association.requests[2].dataSet, nullptr) << "N-GET without attribute list has no data set";
    EXPECT_EQ(association.requests[3].actionTypeId, 7);
    EXPECT_EQ(association.requests[4].sopInstanceUid, "1.2.3.6");

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
    EXPECT_EQ(responses[0].dataSet->attribute(PrintTag::NumberOfCopies).asText(), "2");
    EXPECT_EQ(responses[1].dataSet, nullptr);
    EXPECT_EQ(responses[2].dataSet->attribute(PrintTag::PrinterStatus).asText(), "NORMAL");

    const std::string text = logText();
    EXPECT_NE(text.find("Association request from TESTSCU at 127.0.0.1"), std::string::npos) << text;
    EXPECT_NE(text.find("Received N-GET-RQ (message 3)"), std::string::npos);
    EXPECT_NE(text.find("Sending N-ACTION-RSP (message 4) status 0xC600"), std::string::npos);
    EXPECT_NE(text.find("Request data set:"), std::string::npos) << "data set dumps";
    // The requester's side of the negotiation: the listener takes PDUs of 128 KB.
    EXPECT_NE(text.find("Max Send PDV: 131060"), std::string::npos) << text;
}

class ListenerTransferSyntax : public ListenerTest, public testing::WithParamInterface<test::TransferSyntax> {};

TEST_P(ListenerTransferSyntax, PixelDataArrivesInHostOrder)
{
    const auto image = test::sizedImage(2, 2, [](int r, int c, int) { return static_cast<std::uint16_t>(0x0F00 + 2 * r + c); }, 12);
    runPeer([&] {
        TestScu scu;
        test::ConnectOptions options;
        options.transferSyntax = GetParam();
        ASSERT_TRUE(scu.connect("127.0.0.1", port, options));
        EXPECT_EQ(scu.nSet(SopClass::BasicGrayscaleImageBox, "1.2.3", test::makeImageBoxModification(image)).status, 0);
        scu.release();
    });
    ASSERT_TRUE(service.waitForEnds(1));
    const Request set = service.associations().at(0).requests.at(0);
    const Bytes& pixels = set.dataSet->attribute(GrayscaleImageSequence).asSequence()->item(1)->attribute(ImageTag::PixelData).asBytes();
    ASSERT_EQ(pixels->size(), 8u);
    std::uint16_t last = 0;
    std::memcpy(&last, pixels->data() + 6, 2);
    EXPECT_EQ(last, 0x0F03);
}

INSTANTIATE_TEST_SUITE_P(Each, ListenerTransferSyntax,
                         testing::Values(test::TransferSyntax::ExplicitLittleEndian,
                                         test::TransferSyntax::ImplicitLittleEndian,
                                         test::TransferSyntax::ExplicitBigEndian));

// A handler that fails answers 0x0110; work left for after the response runs once the requester
// has it; and one association's long request holds up no other association.
TEST_F(ListenerTest, AssociationsAreServedSideBySideAndAnswerBeforeTheirLaterWork)
{
    std::atomic<bool> otherAnswered{false};
    std::atomic<bool> otherAnsweredDuringAction{false};
    std::atomic<bool> answeredBeforeLaterWork{false};
    service.answer = [&](const Request& request) {
        if (request.commandField == CommandField::NDeleteRq)
            throw std::runtime_error("failed on purpose");
        if (request.commandField == CommandField::NActionRq) {
            for (int i = 0; i < 30000 && !otherAnswered; ++i)
                std::this_thread::sleep_for(1ms);
            otherAnsweredDuringAction = otherAnswered.load();
            return Response{};
        }
        return Response{0, nullptr, [&] {
            for (int i = 0; i < 30000 && !otherAnswered; ++i)
                std::this_thread::sleep_for(1ms);
            answeredBeforeLaterWork = otherAnswered.load();
        }};
    };
    std::uint16_t failedStatus = 0;
    runPeer([&] {
        std::thread printer([&] {
            TestScu scu;
            ASSERT_TRUE(scu.connect("127.0.0.1", port));
            EXPECT_TRUE(scu.nAction(SopClass::BasicFilmBox, "1.2.3").received);
            scu.release();
        });
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        otherAnswered = scu.nGet(SopClass::Printer, SopClass::PrinterInstance).received;
        failedStatus = scu.nDelete(SopClass::BasicFilmBox, "1.2.3").status;
        scu.release();
        printer.join();
    });
    ASSERT_TRUE(service.waitForEnds(2));
    EXPECT_TRUE(otherAnsweredDuringAction.load());
    EXPECT_TRUE(answeredBeforeLaterWork.load());
    EXPECT_EQ(failedStatus, 0x0110);
    EXPECT_NE(logText().find("Request handler failed: failed on purpose"), std::string::npos) << logText();
}

// A stop answers the request being handled before it ends that association, ends an association
// between requests at once, joins them and returns; the port can be listened on again, and C-ECHO
// is the listener's own business.
TEST_F(ListenerTest, StopAnswersTheRequestBeingHandledEndsTheOthersAndTheSamePortListensAgain)
{
    std::atomic<bool> handling{false};
    service.answer = [&](const Request&) {
        handling = true;
        std::this_thread::sleep_for(200ms);
        return Response{};
    };
    test::Response busy;
    test::Response afterTheStop;
    std::thread requesters([&] {
        TestScu idle;
        const bool connected = idle.connect("127.0.0.1", port);
        std::thread other([&] {
            TestScu scu;
            if (scu.connect("127.0.0.1", port))
                busy = scu.nGet(SopClass::Printer, SopClass::PrinterInstance);
        });
        other.join();
        if (connected)
            afterTheStop = idle.nGet(SopClass::Printer, SopClass::PrinterInstance);
    });
    for (int i = 0; i < 30000 && !handling; ++i)
        std::this_thread::sleep_for(1ms);
    listener.stop();
    requesters.join();
    EXPECT_TRUE(handling.load());
    EXPECT_TRUE(busy.received) << "the request being handled was not answered";
    EXPECT_FALSE(afterTheStop.received);
    EXPECT_FALSE(listener.isListening());
    for (const auto& association : service.associations())
        EXPECT_TRUE(association.ended) << "a handler outlived the stop";

    ASSERT_TRUE(listener.listen(port)) << logText();
    EXPECT_EQ(listener.port(), port);
    runPeer([&] {
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        EXPECT_TRUE(scu.echo());
        scu.release();
    });
    ASSERT_TRUE(service.waitForEnds(3));
    EXPECT_TRUE(service.associations().at(2).requests.empty());
}

// A data set over the limit is received whole and dropped: its handler hears of it, and the
// association goes on with the next request.
TEST_F(ListenerTest, DropsADataSetOverItsBytesAndTellsTheHandler)
{
    service.answer = [](const Request& request) { return Response{std::uint16_t(request.dataSetTooLarge ? 0xC605 : 0), nullptr, {}}; };
    listener.setLimits(ListenerLimits{32, 4096});
    listener.stop(); // the limits apply from the next listen
    ASSERT_TRUE(listener.listen(port)) << logText();
    std::vector<std::uint16_t> statuses;
    runPeer([&] {
        TestScu scu;
        ASSERT_TRUE(scu.connect("127.0.0.1", port));
        for (const int side : {64, 2}) // 4096 bytes of pixel data alone, then 4
            statuses.push_back(
                scu.nSet(SopClass::BasicGrayscaleImageBox, "1.2.3", test::makeImageBoxModification(test::sizedImage(side, side))).status);
        scu.release();
    });
    ASSERT_TRUE(service.waitForEnds(1));
    EXPECT_EQ(statuses, (std::vector<std::uint16_t>{0xC605, 0}));
    const auto requests = service.associations().at(0).requests;
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].dataSetTooLarge && !requests[0].dataSet);
    EXPECT_TRUE(!requests[1].dataSetTooLarge && requests[1].dataSet);
    EXPECT_NE(logText().find("refused: it holds more than 4096 bytes"), std::string::npos);
}

// A port outside the range, one another program holds and one our own listener holds.
TEST(Listen, RefusesAPortItCannotHaveWithALogLine)
{
    QTcpServer occupied;
    ASSERT_TRUE(occupied.listen(QHostAddress::LocalHost, 0));
    test::RecordingListener first;
    ASSERT_TRUE(first.listening);
    DicomListener listener(first.service, first.log);
    for (const int port : {0, -1, 65536, 70000, int(occupied.serverPort()), first.port}) {
        EXPECT_FALSE(listener.listen(port)) << port;
        EXPECT_FALSE(listener.isListening()) << port;
        const std::string reason = port > 0 && port < 65536 ? ": it is in use" : ": not a TCP port";
        EXPECT_NE(first.logText().find("Cannot listen on port " + std::to_string(port) + reason), std::string::npos)
            << first.logText();
    }
}

} // namespace
} // namespace kestrova
