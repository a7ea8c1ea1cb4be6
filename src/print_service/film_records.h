#pragma once
// The films printed since the service started, oldest first, for the window's list and a
// reprint: when, for which requester, on which printer, the page file and how far its job got.
//
// Threads: any thread; the list guards itself with a mutex of its own.

#include "printing/printer_device.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestrova {

struct FilmRecord {
    int id = 0; // given by the list, from 1
    std::chrono::system_clock::time_point printed;
    std::string callingAeTitle; // of the association that sent the film
    std::string printer;
    PrintedFilm film;
    // Completed once printed where no job follows (a film written on "Kestrova PDF").
    JobState state = JobState::Completed;
};

// Its file and printer, and its CUPS job when it has one:
// "Film-20260105-142501-001.pdf for MODALITY1 on \"Ward3\", CUPS job 12".
std::string filmDescription(const FilmRecord& record);

// "pending", "printing", "stopped", "completed", "canceled", "aborted", "unknown".
std::string jobStateText(JobState state);
// What became of the film: "written" where no job follows it, else its job's state and id,
// "completed (CUPS job 12)".
std::string outcomeText(const FilmRecord& record);
// The sheets it takes: the file's pages times the copies the printer makes of it.
int sheetsOf(const FilmRecord& record);
bool isFinal(JobState state);
// Local time as the window and the status page show it: "2026-01-05 14:25:01".
std::string timeText(std::chrono::system_clock::time_point when);

class FilmRecords {
public:
    // The newest this many are kept.
    static constexpr std::size_t MaxRecords = 200;

    // Returns the record's id.
    int add(FilmRecord record);
    void setState(int id, JobState state);
    std::optional<FilmRecord> find(int id) const;
    std::vector<FilmRecord> all() const;

private:
    mutable std::mutex mutex_;
    std::deque<FilmRecord> records_;
    int nextId_ = 1;
};

} // namespace kestrova
