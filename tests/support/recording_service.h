#pragma once
// A service for the listener's tests: answers every request with what `answer` gives and
// records, per association, what it was told, on which threads, and whether it has ended; and
// the listener serving it on a free loopback port.

#include "network/dicom_listener.h"
#include "network/dicom_log.h"
#include "network/dicom_service.h"
#include "support/event_loop.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrova::test {

struct RecordedAssociation {
    AssociationInfo info;
    std::vector<Request> requests;
    std::vector<std::thread::id> threads;
    bool ended = false;
};

class RecordingService : public ServiceProvider {
public:
    // Called on the association's thread.
    std::function<Response(const Request&)> answer = [](const Request&) { return Response{}; };

    std::unique_ptr<AssociationHandler> startAssociation(const AssociationInfo& info) override
    {
        const std::lock_guard lock(mutex_);
        associations_.push_back(std::make_shared<RecordedAssociation>(RecordedAssociation{info, {}, {}, false}));
        return std::make_unique<Handler>(*this, associations_.back());
    }

    std::vector<RecordedAssociation> associations() const
    {
        const std::lock_guard lock(mutex_);
        std::vector<RecordedAssociation> copies;
        for (const auto& association : associations_)
            copies.push_back(*association);
        return copies;
    }

    // True once at least `count` associations have ended (all of them for none given), within
    // the limit.
    bool waitForEnds(std::size_t count = 0, std::chrono::seconds limit = std::chrono::seconds(60)) const
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            const auto all = associations();
            const auto ended = std::size_t(std::count_if(all.begin(), all.end(), [](const auto& a) { return a.ended; }));
            if (ended >= (count ? count : all.size()))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

private:
    class Handler : public AssociationHandler {
    public:
        Handler(RecordingService& service, std::shared_ptr<RecordedAssociation> record)
            : service_(service), record_(std::move(record))
        {
        }
        ~Handler() override
        {
            const std::lock_guard lock(service_.mutex_);
            record_->ended = true;
        }
        Response handle(const Request& request) override
        {
            {
                const std::lock_guard lock(service_.mutex_);
                record_->requests.push_back(request);
                record_->threads.push_back(std::this_thread::get_id());
            }
            return service_.answer(request);
        }

    private:
        RecordingService& service_;
        std::shared_ptr<RecordedAssociation> record_;
    };

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<RecordedAssociation>> associations_;
};

struct RecordingListener {
    // Silent peers are dropped after `timeouts` (DIMSE and ACSE alike).
    explicit RecordingListener(std::chrono::seconds timeouts = std::chrono::seconds(60))
    {
        listener.setTimeouts(timeouts, timeouts);
        listening = listener.listen(port);
    }
    std::string logText() const { return log.text(log.entryCount()); }

    RecordingService service;
    DicomLog log;
    DicomListener listener{service, log};
    int port = freePort();
    bool listening = false;
};

} // namespace kestrova::test
