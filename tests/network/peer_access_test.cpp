#include "network/peer_access.h"

#include "support/event_loop.h"
#include "support/recording_service.h"
#include "support/test_scu.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using Refusal = PeerAccess::Refusal;

TEST(Ipv4Network, IsAnAddressOrANetworkInCidrNotation)
{
    EXPECT_EQ(parseIpv4Network("192.168.1.7"), (Ipv4Network{0xC0A80107, 32}));
    EXPECT_EQ(parseIpv4Network("10.1.2.3/16"), (Ipv4Network{0x0A010000, 16})) << "host bits cleared";
    EXPECT_EQ(parseIpv4Network("0.0.0.0/0"), (Ipv4Network{0, 0}));
    for (const char* unreadable : {"", "printer.example", "10.0.0.0/33", "10.0.0.0/", "10.0.0.0/+8", "10.0.0/8", "::1", "10.0.0.1 "})
        EXPECT_FALSE(parseIpv4Network(unreadable)) << unreadable;
    const Ipv4Network ward = *parseIpv4Network("10.1.0.0/16");
    EXPECT_TRUE(ward.contains(0x0A01FFFE));
    EXPECT_FALSE(ward.contains(0x0A020001));
}

struct AccessCase {
    const char* name;
    AccessSettings settings;
    const char* host;
    const char* calling;
    const char* called;
    Refusal expected;
};

void PrintTo(const AccessCase& c, std::ostream* os) { *os << c.name; }

class Access : public testing::TestWithParam<AccessCase> {};

TEST_P(Access, RefusesWhatTheSiteDoesNotAllowHostFirst)
{
    const AccessCase& c = GetParam();
    EXPECT_EQ(PeerAccess(c.settings, {"KODAK"}).check(c.host, c.calling, c.called), c.expected);
}

const AccessSettings Everyone{};
const AccessSettings Ward{"CT1\\ MR 2 \\VIEWER", "10.1.0.0/16, 127.0.0.1", 1};

INSTANTIATE_TEST_SUITE_P(
    Rules, Access,
    testing::Values(AccessCase{"EveryoneByDefault", Everyone, "203.0.113.9", "ANY", "ANYTHING", Refusal::None},
                    AccessCase{"AllowedEverything", Ward, "10.1.7.7", "CT1", "KODAK", Refusal::None},
                    AccessCase{"TitlesWithoutTheirSpaces", Ward, "127.0.0.1", " MR 2", "KODAK ", Refusal::None},
                    AccessCase{"HostOutsideTheNetworks", Ward, "10.2.0.1", "CT1", "KODAK", Refusal::Host},
                    AccessCase{"HostBeforeTitles", Ward, "10.2.0.1", "XA", "OTHER", Refusal::Host},
                    AccessCase{"CallingTitleNotListed", Ward, "10.1.0.1", "XA", "KODAK", Refusal::CallingAeTitle},
                    AccessCase{"CallingTitleInAnotherCase", Ward, "10.1.0.1", "ct1", "KODAK", Refusal::CallingAeTitle},
                    AccessCase{"CalledTitleNotOurs", Ward, "10.1.0.1", "VIEWER", "KESTROVA", Refusal::CalledAeTitle},
                    AccessCase{"UnreadableHostsAllowNobody", AccessSettings{"", "printer.example", 0}, "127.0.0.1",
                               "ANY", "ANY", Refusal::Host}),
    [](const auto& info) { return std::string(info.param.name); });

// A refused peer is told why, the DICOM log says who it was, and the service never hears of it.
TEST(AccessOverTheNetwork, RefusesWithALogLineAndNeverReachesTheService)
{
    test::RecordingListener recording;
    recording.listener.setAccess(PeerAccess(AccessSettings{"GOOD", "", 0}, {"KODAK"}));
    ASSERT_TRUE(recording.listener.listen(recording.port));
    test::runPeer([&] {
        test::TestScu refused;
        test::ConnectOptions options;
        options.callingAeTitle = "BAD";
        EXPECT_FALSE(refused.connect("127.0.0.1", recording.port, options));
        test::TestScu allowed;
        options.callingAeTitle = "GOOD";
        EXPECT_TRUE(allowed.connect("127.0.0.1", recording.port, options));
        allowed.release();
    });
    ASSERT_TRUE(recording.service.waitForEnds(1));
    EXPECT_EQ(recording.service.associations().size(), 1u);
    EXPECT_NE(recording.logText().find("Association request from BAD at 127.0.0.1 to KESTROVA refused: "
                                       "the calling AE title is not allowed"),
              std::string::npos)
        << recording.logText();
}

} // namespace
} // namespace kestrova
