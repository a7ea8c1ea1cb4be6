// front_door: peers that try to stall, flood or crash a print server at its front door, each
// beside an ordinary client whose C-ECHO and one-film print job are timed. Prints one JSON line
// for the case: what the attack saw, and how long the echo and the job took or took to fail.
// bench/front-door runs every case against a fresh server, the current build's and an older one.
//
//   front_door --port N --case idle1|idle4|idle16|drip|blank16|deep [--host H] [--limit S]
//
//   idle1, idle4, idle16  that many connections open that send nothing
//   drip                  one connection sending its association request a byte every 300 ms
//   blank16               sixteen association requests with a blank calling AE title
//   deep                  an N-SET whose data set nests sequences 100,000 deep
//
// Every wait is bounded by --limit seconds (default 60).

#include "faults/raw_peer.h"
#include "network/dicom_service.h"
#include "support/print_jobs.h"
#include "support/test_scu.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/oflog/oflog.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kestrova::bench {

namespace {

using Clock = std::chrono::steady_clock;
using test::RawBytes;
using test::TestScu;
using namespace std::chrono_literals;

struct Options {
    std::string host = "127.0.0.1";
    int port = 0;
    std::string attack;
    int limitSeconds = 60;
};

[[noreturn]] void usage(const std::string& problem)
{
    std::cerr << "front_door: " << problem << "\n"
              << "usage: front_door --port N --case idle1|idle4|idle16|drip|blank16|deep [--host H] [--limit S]\n";
    std::exit(2);
}

Options parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--host") options.host = value;
        else if (option == "--port") options.port = std::atoi(value.c_str());
        else if (option == "--case") options.attack = value;
        else if (option == "--limit") options.limitSeconds = std::atoi(value.c_str());
        else usage("unknown option " + option);
    }
    if (options.port <= 0 || options.attack.empty() || options.limitSeconds <= 0)
        usage("--port and --case are required");
    return options;
}

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A plain TCP connection of the attacker's, closed with the object; every wait is bounded.
class Connection {
public:
    Connection(const std::string& host, int port) : socket_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
        connected_ = ::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~Connection() { ::close(socket_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool send(const RawBytes& bytes) const
    {
        return connected_ && ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    // The type of the next PDU the peer sends, read whole; 0 when the connection closed or the
    // PDU did not come within the limit.
    std::uint8_t nextPduType(std::chrono::seconds limit) const
    {
        const auto deadline = Clock::now() + limit;
        RawBytes header(6);
        if (!readExactly(header, deadline))
            return 0;
        RawBytes body((std::size_t{header[2]} << 24) | (std::size_t{header[3]} << 16) | (std::size_t{header[4]} << 8) | header[5]);
        return readExactly(body, deadline) ? header[0] : 0;
    }

private:
    bool readExactly(RawBytes& into, Clock::time_point deadline) const
    {
        for (std::size_t got = 0; got < into.size();) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd ready{socket_, POLLIN, 0};
            if (left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) <= 0)
                return false;
            const ssize_t read = ::recv(socket_, into.data() + got, into.size() - got, 0);
            if (read <= 0)
                return false;
            got += static_cast<std::size_t>(read);
        }
        return true;
    }

    int socket_;
    bool connected_ = false;
};

// The ordinary client: a C-ECHO, then one film of one small image printed.
struct ClientTimes {
    double echoSeconds = 0;
    bool echoed = false;
    double jobSeconds = 0;
    bool printed = false;
};

bool printOneFilm(const Options& options)
{
    TestScu scu;
    test::ConnectOptions connect;
    connect.dimseTimeoutSeconds = options.limitSeconds;
    if (!scu.connect(options.host, options.port, connect))
        return false;
    const std::string session = scu.nCreate(SopClass::BasicFilmSession, "", test::filmSessionAttributes()).affectedSopInstanceUid;
    const test::Response filmBox = scu.nCreate(SopClass::BasicFilmBox, "", test::filmBoxAttributes("STANDARD\\1,1", session));
    const test::ImageBoxRefs boxes = test::imageBoxesOf(filmBox);
    if (boxes.instances.empty())
        return false;
    test::ImageSpec image;
    image.rows = image.columns = 64;
    const bool set = scu.nSet(boxes.classes[0], boxes.instances[0], test::makeImageBoxModification(image)).status == 0;
    const test::Response action = scu.nAction(SopClass::BasicFilmBox, filmBox.affectedSopInstanceUid);
    scu.release();
    return set && action.received && action.status == 0;
}

ClientTimes timeClient(const Options& options)
{
    ClientTimes times;
    auto start = Clock::now();
    {
        TestScu scu;
        test::ConnectOptions connect;
        connect.abstractSyntaxes = {SopClass::Verification};
        connect.dimseTimeoutSeconds = options.limitSeconds;
        times.echoed = scu.connect(options.host, options.port, connect) && scu.echo() && scu.release();
    }
    times.echoSeconds = secondsSince(start);
    start = Clock::now();
    times.printed = printOneFilm(options);
    times.jobSeconds = secondsSince(start);
    return times;
}

std::string json(const ClientTimes& times)
{
    std::ostringstream text;
    text.precision(3);
    text << std::fixed << "\"echo\":\"" << (times.echoed ? "ok" : "failed") << "\",\"echo_s\":" << times.echoSeconds
         << ",\"job\":\"" << (times.printed ? "printed" : "failed") << "\",\"job_s\":" << times.jobSeconds;
    return text.str();
}

std::string idle(const Options& options, int count)
{
    std::vector<std::unique_ptr<Connection>> silent;
    for (int i = 0; i < count; ++i)
        silent.push_back(std::make_unique<Connection>(options.host, options.port));
    return "\"attack\":\"" + std::to_string(count) + " silent connections\"," + json(timeClient(options));
}

std::string drip(const Options& options)
{
    const RawBytes request = test::associateRequest(SopClass::Verification);
    const Connection slow(options.host, options.port);
    std::atomic<bool> done{false};
    std::thread dripping([&] {
        for (std::size_t i = 0; i < request.size() && !done; ++i) {
            slow.send({request[i]});
            for (int wait = 0; wait < 30 && !done; ++wait)
                std::this_thread::sleep_for(10ms);
        }
    });
    std::this_thread::sleep_for(1s); // a few bytes are in before the client comes
    const ClientTimes times = timeClient(options);
    done = true;
    dripping.join();
    return "\"attack\":\"a request sent a byte every 300 ms\"," + json(times);
}

std::string blank(const Options& options, int count)
{
    std::vector<std::unique_ptr<Connection>> peers;
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        peers.push_back(std::make_unique<Connection>(options.host, options.port));
        peers.back()->send(test::associateRequest(SopClass::BasicGrayscalePrintManagementMeta, "KESTROVA", ""));
    }
    // The client comes while the requests wait for their answers.
    ClientTimes times;
    std::thread client([&] { times = timeClient(options); });
    int rejected = 0;
    for (const auto& peer : peers)
        rejected += peer->nextPduType(std::chrono::seconds(options.limitSeconds)) == test::PduType::AssociateRj;
    const double answeredSeconds = secondsSince(start);
    client.join();
    std::ostringstream text;
    text.precision(3);
    text << std::fixed << "\"attack\":\"" << count << " blank calling AE titles\",\"rejected\":" << rejected
         << ",\"answered_s\":" << answeredSeconds << "," << json(times);
    return text.str();
}

// Sequences of undefined length nested 100,000 deep in implicit VR little endian, never closed.
RawBytes deeplyNested()
{
    const RawBytes level = {0x20, 0x20, 0x10, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0xE0, 0xFF, 0xFF, 0xFF, 0xFF};
    RawBytes bytes;
    for (int i = 0; i < 100000; ++i)
        bytes.insert(bytes.end(), level.begin(), level.end());
    return bytes;
}

std::string deep(const Options& options)
{
    const auto limit = std::chrono::seconds(options.limitSeconds);
    const auto start = Clock::now();
    std::string outcome = "association refused";
    {
        const Connection peer(options.host, options.port);
        peer.send(test::associateRequest(SopClass::BasicGrayscalePrintManagementMeta));
        if (peer.nextPduType(limit) == test::PduType::AssociateAc) {
            const RawBytes data = deeplyNested();
            peer.send(test::pDataPdu(true, true, test::commandSet(CommandField::NSetRq, SopClass::BasicFilmSession, "1.2.3", true)));
            for (std::size_t at = 0; at < data.size(); at += 65536) {
                const auto from = data.begin() + static_cast<std::ptrdiff_t>(at);
                const auto to = data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), at + 65536));
                peer.send(test::pDataPdu(false, to == data.end(), RawBytes(from, to)));
            }
            const std::uint8_t answer = peer.nextPduType(limit);
            outcome = answer == test::PduType::PData ? "answered" : answer == 0 ? "connection lost" : "aborted";
        }
    }
    std::ostringstream text;
    text.precision(3);
    text << std::fixed << "\"attack\":\"a data set nested 100000 deep\",\"outcome\":\"" << outcome
         << "\",\"outcome_s\":" << secondsSince(start) << "," << json(timeClient(options));
    return text.str();
}

std::string run(const Options& options)
{
    const std::string& attack = options.attack;
    if (attack == "idle1") return idle(options, 1);
    if (attack == "idle4") return idle(options, 4);
    if (attack == "idle16") return idle(options, 16);
    if (attack == "drip") return drip(options);
    if (attack == "blank16") return blank(options, 16);
    if (attack == "deep") return deep(options);
    usage("unknown case " + attack);
}

} // namespace

} // namespace kestrova::bench

int main(int argc, char** argv)
{
    // The requester's own DCMTK log would drown the figures.
    OFLog::configure(OFLogger::OFF_LOG_LEVEL);
    const kestrova::bench::Options options = kestrova::bench::parseOptions(argc, argv);
    std::cout << "{\"case\":\"" << options.attack << "\"," << kestrova::bench::run(options) << "}" << std::endl;
    return 0;
}
