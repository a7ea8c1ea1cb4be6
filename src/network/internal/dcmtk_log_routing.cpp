#include "network/internal/dcmtk_log_routing.h"

#include "core/log_text.h"
#include "network/dicom_log.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/oflog/appender.h>
#include <dcmtk/oflog/logger.h>
#include <dcmtk/oflog/oflog.h>
#include <dcmtk/oflog/spi/logevent.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace kestrova::dcmtk_log {

namespace {

namespace log4cplus = dcmtk::log4cplus;

// DCMTK's own messages run longer than a peer's text alone.
constexpr std::size_t DcmtkMessageLimit = 1024;

struct Registry {
    std::mutex mutex;
    std::vector<DicomLog*> logs;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

int categoryOf(log4cplus::LogLevel level)
{
    if (level >= log4cplus::ERROR_LOG_LEVEL)
        return LogCategory::Errors;
    if (level >= log4cplus::WARN_LOG_LEVEL)
        return LogCategory::Warnings;
    return LogCategory::Network;
}

class DicomLogAppender : public log4cplus::Appender {
public:
    DicomLogAppender() { setName("kestrova"); }
    ~DicomLogAppender() override { destructorImpl(); }
    void close() override { closed = true; }

protected:
    void append(const log4cplus::spi::InternalLoggingEvent& event) override
    {
        const int category = categoryOf(event.getLogLevel());
        const log4cplus::tstring& message = event.getMessage();
        // DCMTK's messages quote what peers send (AE titles, values it warns about).
        const std::string text = logText(std::string_view(message.c_str(), message.length()), DcmtkMessageLimit);
        Registry& r = registry();
        const std::lock_guard lock(r.mutex);
        for (DicomLog* log : r.logs)
            log->append(category, text);
    }
};

void routeDcmtkLogOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        log4cplus::Logger root = log4cplus::Logger::getRoot();
        root.removeAllAppenders();
        // oflog owns appenders through its intrusive shared pointer, built from a raw one.
        root.addAppender(log4cplus::SharedAppenderPtr(new DicomLogAppender));
        // Association and DIMSE messages come at INFO; DEBUG would dump every data set.
        root.setLogLevel(log4cplus::INFO_LOG_LEVEL);
    });
}

} // namespace

void attach(DicomLog& log)
{
    routeDcmtkLogOnce();
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    r.logs.push_back(&log);
}

void detach(DicomLog& log)
{
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    std::erase(r.logs, &log);
}

} // namespace kestrova::dcmtk_log
