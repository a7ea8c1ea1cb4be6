// print_load: a print SCU load generator. Runs concurrent associations, each printing a number
// of films (film box N-CREATE, an N-SET per image box, N-ACTION, N-DELETE) inside one film
// session, and prints one JSON line: throughput, bytes sent, latency percentiles per request
// type and every failure. Exits non-zero when anything failed.
//
//   print_load --host H --port N [--associations A] [--films F] [--format "STANDARD\2,2"]
//              [--rows R] [--columns C] [--bits 8|12] [--colour] [--called-ae AE]
//              [--images I] [--session-print]
//
// --images I sets an image in the first I image boxes of each film only (0: every cell empty).
// --session-print creates every film box first and prints them all with one N-ACTION on the
// film session, which then counts as one N-ACTION and F films printed when it succeeds.

#include "support/print_jobs.h"
#include "support/test_scu.h"
#include "images/image_memory.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <mutex>
#include <numeric>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kestrova::bench {

namespace {

using test::Response;
using test::TestScu;
using Clock = std::chrono::steady_clock;

struct Options {
    std::string host = "127.0.0.1";
    int port = 0;
    int associations = 1;
    int films = 1;
    std::string format = "STANDARD\\2,2";
    int rows = 2560;
    int columns = 2048;
    int bits = 12;
    bool colour = false;
    std::string calledAe = "KESTROVA";
    int images = -1; // image boxes given an image per film; every one when negative
    bool sessionPrint = false;
};

[[noreturn]] void usage(const std::string& problem)
{
    std::cerr << "print_load: " << problem << "\n"
              << "usage: print_load --host H --port N [--associations A] [--films F] [--format \"STANDARD\\2,2\"]\n"
              << "                  [--rows R] [--columns C] [--bits 8|12] [--colour] [--called-ae AE]\n"
              << "                  [--images I] [--session-print]\n";
    std::exit(2);
}

int numberAtLeast(int least, const std::string& option, const std::string& text)
{
    try {
        std::size_t used = 0;
        const int value = std::stoi(text, &used);
        if (used == text.size() && value >= least)
            return value;
    } catch (const std::exception&) {
    }
    usage(option + " needs a number of at least " + std::to_string(least) + ", not \"" + text + "\"");
}

int positiveNumber(const std::string& option, const std::string& text) { return numberAtLeast(1, option, text); }

Options parseOptions(int argc, char** argv)
{
    Options options;
    bool bitsGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--colour" || option == "--session-print") {
            (option == "--colour" ? options.colour : options.sessionPrint) = true;
            continue;
        }
        if (i + 1 >= argc)
            usage(option == "--help" ? "" : option + " needs a value");
        const std::string value = argv[++i];
        if (option == "--host") options.host = value;
        else if (option == "--port") options.port = positiveNumber(option, value);
        else if (option == "--associations") options.associations = positiveNumber(option, value);
        else if (option == "--films") options.films = positiveNumber(option, value);
        else if (option == "--format") options.format = value;
        else if (option == "--rows") options.rows = positiveNumber(option, value);
        else if (option == "--columns") options.columns = positiveNumber(option, value);
        else if (option == "--bits") {
            options.bits = positiveNumber(option, value);
            bitsGiven = true;
        }
        else if (option == "--called-ae") options.calledAe = value;
        else if (option == "--images") options.images = numberAtLeast(0, option, value);
        else usage("unknown option " + option);
    }
    if (options.port == 0)
        usage("--port is required");
    if (options.bits != 8 && options.bits != 12)
        usage("--bits is 8 or 12");
    if (options.colour && !bitsGiven)
        options.bits = 8;
    if (options.colour && options.bits != 8)
        usage("colour images have 8 bits per sample");
    return options;
}

// Cells of an Image Display Format: STANDARD\C,R holds C x R, ROW\a,b,... and COL\a,b,...
// hold the sum of their counts.
int cellsOf(const std::string& format)
{
    const std::size_t separator = format.find('\\');
    if (separator == std::string::npos)
        usage("format \"" + format + "\" has no counts");
    const bool standard = format.substr(0, separator) == "STANDARD";
    int cells = standard ? 1 : 0;
    std::stringstream counts(format.substr(separator + 1));
    for (std::string count; std::getline(counts, count, ',');) {
        const int n = positiveNumber("--format", count);
        cells = standard ? cells * n : cells + n;
    }
    return cells;
}

// One N-SET modification per image box position, made before the clock starts and shared
// by every association: a gradient over the full range, different in each cell.
std::vector<DataSetPtr> imageBoxModifications(const Options& options)
{
    std::vector<DataSetPtr> modifications;
    const int cells = options.images < 0 ? cellsOf(options.format) : std::min(options.images, cellsOf(options.format));
    const int levels = 1 << options.bits;
    for (int position = 1; position <= cells; ++position) {
        test::ImageSpec imageSpec;
        imageSpec.rows = options.rows;
        imageSpec.columns = options.columns;
        imageSpec.bitsStored = options.bits;
        imageSpec.photometric = options.colour ? test::Photometric::RgbInterleaved : test::Photometric::Monochrome2;
        const int span = options.rows + options.columns;
        imageSpec.pixel = [levels, span, position](int row, int column, int sample) {
            return static_cast<std::uint16_t>((static_cast<long long>(row + column) * levels / span +
                                               position * levels / 7 + sample * levels / 3) %
                                              levels);
        };
        modifications.push_back(test::makeImageBoxModification(imageSpec, position));
    }
    return modifications;
}

enum class RequestType { CreateSession, CreateFilmBox, Set, Action, Delete };
constexpr RequestType AllRequestTypes[] = {RequestType::CreateSession, RequestType::CreateFilmBox, RequestType::Set,
                                           RequestType::Action, RequestType::Delete};

const char* nameOf(RequestType type)
{
    switch (type) {
    case RequestType::CreateSession: return "N-CREATE session";
    case RequestType::CreateFilmBox: return "N-CREATE film box";
    case RequestType::Set: return "N-SET";
    case RequestType::Action: return "N-ACTION";
    case RequestType::Delete: return "N-DELETE";
    }
    return "";
}

// What one association saw; merged into the run's totals when it ends.
struct Tally {
    std::map<RequestType, std::vector<double>> latenciesMs;
    std::map<std::pair<RequestType, std::uint16_t>, int> failures; // status 0xFFFF: no response
    int filmsPrinted = 0;
    int rejectedAssociations = 0;
    int failedAssociations = 0;
    std::uint64_t bytesSent = 0;

    void merge(const Tally& other)
    {
        for (const auto& [type, values] : other.latenciesMs)
            latenciesMs[type].insert(latenciesMs[type].end(), values.begin(), values.end());
        for (const auto& [key, count] : other.failures)
            failures[key] += count;
        filmsPrinted += other.filmsPrinted;
        rejectedAssociations += other.rejectedAssociations;
        failedAssociations += other.failedAssociations;
        bytesSent += other.bytesSent;
    }
};

constexpr std::uint16_t NoResponse = 0xFFFF;

// Runs one request, timing it; false when it did not succeed (the failure is counted).
template <typename Send>
bool timed(Tally& tally, RequestType type, Response& response, Send send)
{
    const auto start = Clock::now();
    response = send();
    tally.latenciesMs[type].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (response.received && response.status == 0)
        return true;
    ++tally.failures[{type, response.received ? response.status : NoResponse}];
    return false;
}

class Association {
public:
    Association(const Options& options, const std::vector<DataSetPtr>& images) : options_(options), images_(images) {}

    Tally run()
    {
        test::ConnectOptions connect;
        const char* meta = options_.colour ? SopClass::BasicColorPrintManagementMeta : SopClass::BasicGrayscalePrintManagementMeta;
        connect.abstractSyntaxes = {meta, SopClass::Printer, SopClass::Verification};
        connect.calledAeTitle = options_.calledAe;
        connect.callingAeTitle = "PRINTLOAD";
        connect.dimseTimeoutSeconds = 120;
        if (!scu_.connect(options_.host, options_.port, connect) || !scu_.useContext(meta)) {
            ++tally_.rejectedAssociations;
            return std::move(tally_);
        }
        if (printFilms())
            scu_.release();
        else
            scu_.abort();
        tally_.bytesSent = scu_.bytesSent();
        return std::move(tally_);
    }

private:
    // False when the association broke (a request went unanswered).
    bool printFilms()
    {
        Response session;
        if (!timed(tally_, RequestType::CreateSession, session,
                   [&] { return scu_.nCreate(SopClass::BasicFilmSession, "", test::filmSessionAttributes()); }))
            return lost(session);
        const std::string& sessionUid = session.affectedSopInstanceUid;
        if (!(options_.sessionPrint ? printSession(sessionUid) : printEachFilm(sessionUid)))
            return false;
        Response deleted;
        timed(tally_, RequestType::Delete, deleted, [&] { return scu_.nDelete(SopClass::BasicFilmSession, sessionUid); });
        return !lost(deleted);
    }

    bool printEachFilm(const std::string& session)
    {
        for (int film = 0; film < options_.films; ++film) {
            std::string filmBox;
            if (!makeFilm(session, filmBox))
                return false;
            if (filmBox.empty())
                continue;
            if (!print(SopClass::BasicFilmBox, filmBox, 1))
                return false;
            Response deleted;
            timed(tally_, RequestType::Delete, deleted, [&] { return scu_.nDelete(SopClass::BasicFilmBox, filmBox); });
            if (lost(deleted))
                return false;
        }
        return true;
    }

    // Every film box first, then one N-ACTION for all of them.
    bool printSession(const std::string& session)
    {
        int films = 0;
        for (int film = 0; film < options_.films; ++film) {
            std::string filmBox;
            if (!makeFilm(session, filmBox))
                return false;
            films += filmBox.empty() ? 0 : 1;
        }
        return print(SopClass::BasicFilmSession, session, films);
    }

    // A film box with its images; filmBox stays empty when it could not be created.
    bool makeFilm(const std::string& session, std::string& filmBox)
    {
        Response created;
        if (!timed(tally_, RequestType::CreateFilmBox, created,
                   [&] { return scu_.nCreate(SopClass::BasicFilmBox, "", test::filmBoxAttributes(options_.format, session)); }))
            return !lost(created);
        filmBox = created.affectedSopInstanceUid;
        const test::ImageBoxRefs boxes = test::imageBoxesOf(created);
        for (std::size_t i = 0; i < boxes.instances.size() && i < images_.size(); ++i) {
            Response set;
            timed(tally_, RequestType::Set, set, [&] { return scu_.nSet(boxes.classes[i], boxes.instances[i], images_[i]); });
            if (lost(set))
                return false;
        }
        return true;
    }

    bool print(const char* sopClass, const std::string& instance, int films)
    {
        Response action;
        if (timed(tally_, RequestType::Action, action, [&] { return scu_.nAction(sopClass, instance); }))
            tally_.filmsPrinted += films;
        return !lost(action);
    }

    bool lost(const Response& response)
    {
        if (response.received)
            return false;
        ++tally_.failedAssociations;
        return true;
    }

    const Options& options_;
    const std::vector<DataSetPtr>& images_;
    TestScu scu_;
    Tally tally_;
};

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(values.size()) + 0.999999);
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

std::string fixed(double value, int decimals = 3)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string hexStatus(std::uint16_t status)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", status);
    return status == NoResponse ? std::string("no response") : std::string(text);
}

std::string report(const Options& options, const Tally& tally, double wallSeconds)
{
    const int films = options.associations * options.films;
    std::ostringstream json;
    json << "{\"films\":" << films << ",\"films_printed\":" << tally.filmsPrinted << ",\"wall_s\":" << fixed(wallSeconds)
         << ",\"films_per_s\":" << fixed(tally.filmsPrinted / wallSeconds) << ",\"bytes_sent\":" << tally.bytesSent
         << ",\"latency_ms\":{";
    const char* separator = "";
    for (const RequestType type : AllRequestTypes) {
        const auto found = tally.latenciesMs.find(type);
        const std::vector<double> values = found == tally.latenciesMs.end() ? std::vector<double>{} : found->second;
        json << separator << "\"" << nameOf(type) << "\":{\"count\":" << values.size() << ",\"p50\":"
             << fixed(percentile(values, 0.50), 1) << ",\"p95\":" << fixed(percentile(values, 0.95), 1)
             << ",\"max\":" << fixed(values.empty() ? 0 : *std::max_element(values.begin(), values.end()), 1) << "}";
        separator = ",";
    }
    json << "},\"failures\":[";
    separator = "";
    for (const auto& [key, count] : tally.failures) {
        json << separator << "{\"request\":\"" << nameOf(key.first) << "\",\"status\":\"" << hexStatus(key.second)
             << "\",\"count\":" << count << "}";
        separator = ",";
    }
    json << "],\"rejected_associations\":" << tally.rejectedAssociations
         << ",\"failed_associations\":" << tally.failedAssociations << "}";
    return json.str();
}

int runLoad(const Options& options)
{
    const std::vector<DataSetPtr> images = imageBoxModifications(options);
    std::vector<Tally> tallies(static_cast<std::size_t>(options.associations));
    const auto start = Clock::now();
    {
        std::vector<std::jthread> threads;
        for (auto& tally : tallies)
            threads.emplace_back([&options, &images, &tally] { tally = Association(options, images).run(); });
    }
    const double wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    Tally total;
    for (const Tally& tally : tallies)
        total.merge(tally);
    std::cout << report(options, total, wallSeconds) << std::endl;
    const bool clean = total.failures.empty() && total.rejectedAssociations == 0 && total.failedAssociations == 0 &&
                       total.filmsPrinted == options.associations * options.films;
    return clean ? 0 : 1;
}

} // namespace

} // namespace kestrova::bench

int main(int argc, char** argv)
{
    // Debian's DCMTK leaves Nagle's algorithm on unless the environment says otherwise: every
    // small request would wait about 40 ms for the server's delayed acknowledgement.
    setenv("TCP_NODELAY", "1", 0);
    // The load generator copies every image into DCMTK for each N-SET: the same buffer reuse
    // as the service's keeps it from timing its own page faults.
    kestrova::keepPixelBuffersForReuse();
    return kestrova::bench::runLoad(kestrova::bench::parseOptions(argc, argv));
}
