#pragma once
// Owners for what libcups hands out, each freeing its object the one way libcups says, and a
// connection to the scheduler of this process (cupsServer(): CUPS_SERVER, client.conf or the
// local one).
//
// Threads: libcups keeps its server and last error per thread; a handle is used on one thread.

#include <cups/cups.h>

#include <memory>
#include <string>

namespace kestrova::cups {

struct HttpClose {
    void operator()(http_t* http) const { httpClose(http); }
};
struct DestFree {
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
struct DestInfoFree {
    void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};
struct IppDelete {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};

using Http = std::unique_ptr<http_t, HttpClose>;
using Dest = std::unique_ptr<cups_dest_t, DestFree>;
using DestInfo = std::unique_ptr<cups_dinfo_t, DestInfoFree>;
using Ipp = std::unique_ptr<ipp_t, IppDelete>;

// The destinations cupsGetDests2 lists, freed together.
class DestList {
public:
    explicit DestList(http_t* http) : count_(cupsGetDests2(http, &dests_)) {}
    ~DestList() { cupsFreeDests(count_, dests_); }
    DestList(const DestList&) = delete;
    DestList& operator=(const DestList&) = delete;

    const cups_dest_t* begin() const { return dests_; }
    const cups_dest_t* end() const { return dests_ + count_; }

private:
    cups_dest_t* dests_ = nullptr;
    int count_ = 0;
};

// Job options as libcups takes them.
class Options {
public:
    Options() = default;
    ~Options() { cupsFreeOptions(count_, options_); }
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;

    void add(const char* name, const std::string& value) { count_ = cupsAddOption(name, value.c_str(), count_, &options_); }
    int count() const { return count_; }
    cups_option_t* get() const { return options_; }

private:
    int count_ = 0;
    cups_option_t* options_ = nullptr;
};

// A connection of its own to the scheduler, with a bound on every wait; null when the scheduler
// cannot be reached.
Http connectToScheduler();

// What libcups last said went wrong on this thread.
std::string lastCupsError();

} // namespace kestrova::cups
