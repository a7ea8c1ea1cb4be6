#include "print_service/printer_status.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace kestrova {
namespace {

constexpr std::string_view Normal = "NORMAL";
constexpr std::string_view Warning = "WARNING";
constexpr std::string_view Failure = "FAILURE";

struct ReasonRow {
    std::string_view reason; // IPP printer-state-reasons keyword, without its severity suffix
    std::string_view status;
    std::string_view info;
};

// What each reason the printer may give means on film. Of a printer's reasons, the first failure
// found here says what it is, else the first warning.
constexpr std::array ReasonTable{
    ReasonRow{"media-empty", Failure, "SUPPLY EMPTY"},
    ReasonRow{"media-needed", Failure, "SUPPLY EMPTY"},
    ReasonRow{"toner-empty", Failure, "SUPPLY EMPTY"},
    ReasonRow{"marker-supply-empty", Failure, "SUPPLY EMPTY"},
    ReasonRow{"media-jam", Failure, "FILM JAM"},
    ReasonRow{"door-open", Failure, "COVER OPEN"},
    ReasonRow{"cover-open", Failure, "COVER OPEN"},
    ReasonRow{"interlock-open", Failure, "COVER OPEN"},
    ReasonRow{"output-area-full", Failure, "RECEIVER FULL"},
    ReasonRow{"spool-area-full", Failure, "RECEIVER FULL"},
    ReasonRow{"offline", Failure, "PRINTER OFFLINE"},
    ReasonRow{"shutdown", Failure, "PRINTER OFFLINE"},
    ReasonRow{"media-low", Warning, "SUPPLY LOW"},
    ReasonRow{"toner-low", Warning, "SUPPLY LOW"},
    ReasonRow{"marker-supply-low", Warning, "SUPPLY LOW"},
    ReasonRow{"output-area-almost-full", Warning, "RECEIVER FULL"},
};

constexpr std::array SeveritySuffixes{std::string_view("-error"), std::string_view("-warning"), std::string_view("-report")};

bool endsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string_view withoutSeverity(std::string_view reason)
{
    for (std::string_view suffix : SeveritySuffixes)
        if (endsWith(reason, suffix))
            return reason.substr(0, reason.size() - suffix.size());
    return reason;
}

DicomPrinterStatus statusOf(std::string_view status, std::string_view info)
{
    return DicomPrinterStatus{std::string(status), std::string(info)};
}

bool hasReasonEndingIn(const PrinterState& state, std::string_view suffix)
{
    return std::any_of(state.reasons.begin(), state.reasons.end(),
                       [&](const std::string& reason) { return endsWith(reason, suffix); });
}

std::optional<DicomPrinterStatus> firstKnownReason(const PrinterState& state, std::string_view status)
{
    for (const ReasonRow& row : ReasonTable) {
        const bool found = std::any_of(state.reasons.begin(), state.reasons.end(),
                                       [&](const std::string& reason) { return withoutSeverity(reason) == row.reason; });
        if (row.status == status && found)
            return statusOf(row.status, row.info);
    }
    return std::nullopt;
}

} // namespace

DicomPrinterStatus dicomPrinterStatus(const PrinterState& state)
{
    if (!state.present || !state.acceptingJobs)
        return statusOf(Failure, "PRINTER DOWN");
    if (auto failure = firstKnownReason(state, Failure))
        return *failure;
    if (hasReasonEndingIn(state, "-error"))
        return statusOf(Failure, "CHECK PRINTER");
    if (state.stopped)
        return statusOf(Failure, "PRINTER OFFLINE");
    if (auto warning = firstKnownReason(state, Warning))
        return *warning;
    if (hasReasonEndingIn(state, "-warning"))
        return statusOf(Warning, "CHECK PRINTER");
    return statusOf(Normal, Normal);
}

std::string statusText(const DicomPrinterStatus& status)
{
    return status.status == Normal ? status.status : status.status + " (" + status.info + ")";
}

} // namespace kestrova
