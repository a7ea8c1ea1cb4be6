#pragma once
// The print service running in the test's process on its own free port and program
// folder, printing on the built-in PDF printer, with helpers to run print jobs against it.

#include "core/configuration.h"
#include "print_service/print_service.h"
#include "printing/printer_catalogue.h"

#include "support/event_loop.h"
#include "support/print_jobs.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kestrova::test {

class ServiceFixture {
public:
    // Printing on the catalogue given, the built-in PDF printer ("Kestrova PDF") by default.
    explicit ServiceFixture(const PrinterCatalogue* catalogue = nullptr);
    ~ServiceFixture();

    int port() const { return configuration.settings.Port; }
    // Connects a requester proposing the given meta SOP class (and Printer, Verification).
    bool connect(TestScu& scu, const std::string& metaSopClass = SopClass::BasicGrayscalePrintManagementMeta,
                 const std::string& calledAeTitle = ConnectOptions{}.calledAeTitle) const;

    std::vector<std::filesystem::path> films() const;
    std::string errorLog() const { return folder.errorLog(); }
    // Every object the open associations keep.
    std::size_t storedCount() { return service.storedObjects(); }

    TempProgramFolder folder;
    Configuration configuration;
    InstalledPrinters printers;
    PrintService service;
};

// What a requester made of one film: the session, the film box and its image boxes.
struct FilmJob {
    std::string session;
    std::string filmBox;
    ImageBoxRefs imageBoxes;
};

// N-CREATE session and film box; empty UIDs when a step failed.
FilmJob createFilm(TestScu& scu, const std::string& format = "STANDARD\\2,2");
// N-SET of every image box with a small image (RGB on a colour image box); the statuses.
std::vector<std::uint16_t> setImages(TestScu& scu, const FilmJob& job);

// The N-ACTION status of a job whose N-ACTION had no answer.
inline constexpr std::uint16_t NoAnswer = 0xFFFF;

struct JobOutcome {
    bool connected = false;
    std::vector<std::uint16_t> setStatuses;
    std::uint16_t actionStatus = NoAnswer;
};

// One film of one image, printed by N-ACTION on the film box; runs on a peer thread.
// `connected`, when given, runs once the connection was tried, before the film is made.
JobOutcome printOneFilm(TestScu& scu, int port, const std::function<void()>& connected = {});

// What every fault test ends with: a new requester's ordinary job still prints one more film.
testing::AssertionResult nextJobPrints(ServiceFixture& service);

} // namespace kestrova::test
