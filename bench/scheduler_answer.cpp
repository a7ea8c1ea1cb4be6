// The CUPS scheduler's own answer time: sends one PDF file to a queue as IPP Print-Job requests,
// each on a new connection as the service does, one every --interval-ms, and prints one JSON
// line with the percentiles of the time from connecting to the scheduler's answer. Beside the
// service's N-ACTION on a CUPS queue this shows the part of it no client can take away.
//
//   scheduler_answer QUEUE FILE [--requests N] [--interval-ms MS]
//
// The scheduler is the one libcups finds (CUPS_SERVER, client.conf or the local one).

#include <cups/cups.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct HttpClose {
    void operator()(http_t* http) const { httpClose(http); }
};
struct IppDelete {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Http = std::unique_ptr<http_t, HttpClose>;
using Ipp = std::unique_ptr<ipp_t, IppDelete>;

struct Options {
    std::string queue;
    std::string file;
    int requests = 20;
    int intervalMs = 90;
};

bool parse(int argc, char** argv, Options& options)
{
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--requests" || arg == "--interval-ms") && i + 1 < argc)
            (arg == "--requests" ? options.requests : options.intervalMs) = std::stoi(argv[++i]);
        else
            positional.push_back(arg);
    }
    if (positional.size() != 2 || options.requests < 1)
        return false;
    options.queue = positional[0];
    options.file = positional[1];
    return true;
}

// One Print-Job of the document; false when the scheduler did not accept it.
bool printJob(const std::string& queue, const std::string& document)
{
    const Http http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr));
    if (!http)
        return false;
    const Ipp request(ippNewRequest(IPP_OP_PRINT_JOB));
    char uri[1024];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     queue.c_str());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, "application/pdf");
    const std::string resource = "/printers/" + queue;
    http_status_t sent = cupsSendRequest(http.get(), request.get(), resource.c_str(), ippLength(request.get()) + document.size());
    if (sent == HTTP_STATUS_CONTINUE)
        sent = cupsWriteRequestData(http.get(), document.data(), document.size());
    const Ipp response(cupsGetResponse(http.get(), resource.c_str()));
    return sent == HTTP_STATUS_CONTINUE && response && ippGetStatusCode(response.get()) <= IPP_STATUS_OK_CONFLICTING;
}

// Nearest rank, as print_load takes its percentiles.
double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(values.size()) + 0.999999);
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::cerr << "usage: scheduler_answer QUEUE FILE [--requests N] [--interval-ms MS]\n";
        return 2;
    }
    std::ifstream in(options.file, std::ios::binary);
    const std::string document((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        std::cerr << "scheduler_answer: cannot read " << options.file << "\n";
        return 1;
    }
    std::vector<double> answerMs;
    int refused = 0;
    for (int i = 0; i < options.requests; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (printJob(options.queue, document))
            answerMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        else
            ++refused;
        std::this_thread::sleep_for(std::chrono::milliseconds(options.intervalMs));
    }
    if (answerMs.empty()) {
        std::cerr << "scheduler_answer: the scheduler accepted none of " << options.requests << " jobs: " << cupsLastErrorString() << "\n";
        return 1;
    }
    std::printf("{\"requests\":%d,\"refused\":%d,\"print_job_ms\":{\"p50\":%.1f,\"p90\":%.1f,\"p95\":%.1f,\"max\":%.1f}}\n",
                options.requests, refused, percentile(answerMs, 0.50), percentile(answerMs, 0.90), percentile(answerMs, 0.95),
                percentile(answerMs, 1.0));
    return 0;
}
