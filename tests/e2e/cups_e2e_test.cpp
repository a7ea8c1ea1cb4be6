// What a requester and a CUPS queue see of each other, over real associations, against a private
// scheduler whose test printer keeps what it receives and reports the state it is told
// (tests/support/test_backend.sh).
#include "service_fixture.h"

#include "data/print_tags.h"
#include "print_service/dimse_status.h"
#include "print_service/printer_status.h"
#include "printing/pdf_tools.h"
#include "support/cups_server.h"
#include "support/print_jobs.h"

#include <gtest/gtest.h>

#include <regex>

namespace kestrova {
namespace {

using namespace test;
using namespace std::chrono_literals;

const std::string FilmQueue = "KestrovaFilm";
const std::string StateQueue = "KestrovaStates";

struct Film {
    int copies = 1;
    std::string orientation = "PORTRAIT";
    std::string size; // none when empty
    std::string calledAeTitle = ConnectOptions{}.calledAeTitle;
};

class CupsService : public CupsTest {
protected:
    static void SetUpTestSuite()
    {
        CupsTest::SetUpTestSuite();
        cups().addTestQueue(FilmQueue);
        cups().addTestQueue(StateQueue);
    }

    void SetUp() override { usePrinter(FilmQueue); }

    void usePrinter(const std::string& name)
    {
        service.configuration.settings.Printer = name;
        service.service.restart();
    }

    // One film of one image on an association of its own; the N-ACTION's status.
    std::uint16_t print(const Film& film)
    {
        std::uint16_t status = 0xFFFF;
        runPeer([&] {
            TestScu scu;
            if (!service.connect(scu, SopClass::BasicGrayscalePrintManagementMeta, film.calledAeTitle))
                return;
            const std::string session =
                scu.nCreate(SopClass::BasicFilmSession, "", filmSessionAttributes(film.copies)).affectedSopInstanceUid;
            const DataSetPtr attributes = filmBoxAttributes("STANDARD\\1,1", session, film.orientation);
            if (!film.size.empty())
                attributes->add(PrintTag::FilmSizeId, film.size);
            const test::Response filmBox = scu.nCreate(SopClass::BasicFilmBox, "", attributes);
            const ImageBoxRefs imageBoxes = imageBoxesOf(filmBox);
            setImages(scu, FilmJob{session, filmBox.affectedSopInstanceUid, imageBoxes.instances, imageBoxes.classes});
            status = scu.nAction(SopClass::BasicFilmBox, filmBox.affectedSopInstanceUid).status;
            scu.release();
        });
        return status;
    }

    // N-GET of the Printer instance on an association for nothing else: its Printer Name, Printer
    // Status and Printer Status Info.
    std::vector<std::string> printerInstance(const std::string& calledAeTitle)
    {
        std::vector<std::string> said;
        runPeer([&] {
            TestScu scu;
            ConnectOptions options;
            options.abstractSyntaxes = {SopClass::Printer};
            options.calledAeTitle = calledAeTitle;
            if (!scu.connect("127.0.0.1", service.port(), options))
                return;
            const test::Response printer = scu.nGet(SopClass::Printer, SopClass::PrinterInstance);
            if (printer.dataSet)
                for (const Tag tag : {PrintTag::PrinterName, PrintTag::PrinterStatus, PrintTag::PrinterStatusInfo})
                    said.push_back(printer.dataSet->attribute(tag).asText());
            scu.release();
        });
        return said;
    }

    DicomPrinterStatus printerStatus()
    {
        const std::vector<std::string> said = printerInstance(ConnectOptions{}.calledAeTitle);
        return said.empty() ? DicomPrinterStatus{} : DicomPrinterStatus{said[1], said[2]};
    }

    std::string dicomLog() { return service.service.log().text(service.service.log().entryCount()); }

    // The CUPS job of the film printed last, as the DICOM log names it; 0 when none.
    int lastJob()
    {
        const std::string log = dicomLog();
        const std::regex job("CUPS job ([0-9]+)");
        int id = 0;
        for (auto match = std::sregex_iterator(log.begin(), log.end(), job); match != std::sregex_iterator(); ++match)
            id = std::stoi((*match)[1].str());
        return id;
    }

    bool dicomLogSaysSoon(const std::string& text)
    {
        return pumpUntil([&] { return dicomLog().find(text) != std::string::npos; }, 30s);
    }

    ServiceFixture service;
};

// Options read back from the job CUPS keeps, the document from what the printer received; the
// same film on "Kestrova PDF", on the same paper, rasterises to the same pixels.
TEST_F(CupsService, AFilmIsOnePdfJobWithItsOptionsAndLooksAsOnKestrovaPdf)
{
    const Film film{2, "LANDSCAPE", "14INX17IN"};
    const auto received = cups().receivedDocuments(FilmQueue).size();
    ASSERT_EQ(print(film), DimseStatus::Success) << service.errorLog();
    const int job = lastJob();
    ASSERT_GT(job, 0) << dicomLog();
    ASSERT_TRUE(cups().waitUntilNoPendingJobs(60s)) << cups().logTail();
    const auto attributes = cups().jobAttributes(job);
    EXPECT_EQ(attributes.at("document-format-supplied"), "application/pdf");
    EXPECT_EQ(attributes.at("copies"), "2");
    EXPECT_EQ(attributes.at("orientation-requested"), "landscape");
    EXPECT_NE(attributes.at("media").find("14x17in"), std::string::npos) << attributes.at("media");
    const auto documents = cups().receivedDocuments(FilmQueue);
    ASSERT_EQ(documents.size(), received + 1);
    const auto films = service.films();
    ASSERT_EQ(films.size(), 1u);
    EXPECT_EQ(documents.back(), readFile(films.back())) << "the kept film, as it was sent";
    EXPECT_TRUE(dicomLogSaysSoon("CUPS job " + std::to_string(job) + " on \"" + FilmQueue + "\": completed")) << dicomLog();

    usePrinter("Kestrova PDF");
    ASSERT_EQ(print(film), DimseStatus::Success) << service.errorLog();
    ASSERT_EQ(service.films().size(), 2u);
    EXPECT_TRUE(renderGray(films.back(), 100) == renderGray(service.films().back(), 100));
    EXPECT_EQ(service.errorLog(), "");
}

// Each state as CUPS has it, the reasons as a backend reports them while it prints.
TEST_F(CupsService, ThePrinterInstanceSaysTheQueuesStateWhenAsked)
{
    usePrinter(StateQueue);
    EXPECT_EQ(printerStatus(), (DicomPrinterStatus{"NORMAL", "NORMAL"})) << "idle";
    cups().admin("cupsdisable", {QString::fromStdString(StateQueue)});
    EXPECT_EQ(printerStatus(), (DicomPrinterStatus{"FAILURE", "PRINTER OFFLINE"})) << "stopped";
    cups().admin("cupsenable", {QString::fromStdString(StateQueue)});
    cups().admin("cupsreject", {QString::fromStdString(StateQueue)});
    EXPECT_EQ(printerStatus(), (DicomPrinterStatus{"FAILURE", "PRINTER DOWN"})) << "rejecting jobs";
    cups().admin("cupsaccept", {QString::fromStdString(StateQueue)});

    // A failure, a warning, and a reason with its severity suffix.
    const std::vector<std::pair<std::string, DicomPrinterStatus>> reasons{
        {"media-empty", {"FAILURE", "SUPPLY EMPTY"}}, {"toner-low", {"WARNING", "SUPPLY LOW"}},
        {"offline-report", {"FAILURE", "PRINTER OFFLINE"}}};
    const auto folder = cups().queueFolder(StateQueue);
    for (const auto& [reason, expected] : reasons) {
        writeFile(folder / "reasons", reason + "\n"); // replaces every reason the printer had
        writeFile(folder / "hold", "");
        cups().admin("lp", {"-d", QString::fromStdString(StateQueue), "-o", "raw", "/etc/hostname"});
        const bool reported = pumpUntil(
            [&] { return cups().admin("lpstat", {"-l", "-p", QString::fromStdString(StateQueue)}).find(reason) != std::string::npos; },
            30s);
        EXPECT_TRUE(reported) << reason << cups().logTail();
        EXPECT_EQ(printerStatus(), expected) << reason;
        std::filesystem::remove(folder / "hold");
        ASSERT_TRUE(cups().waitUntilNoPendingJobs(60s)) << cups().logTail();
    }

    usePrinter("Kestrova PDF");
    EXPECT_EQ(printerStatus(), (DicomPrinterStatus{"NORMAL", "NORMAL"}));
    std::filesystem::remove_all(service.folder / "films");
    writeFile(service.folder / "films", "a file where films/ should be");
    EXPECT_EQ(printerStatus(), (DicomPrinterStatus{"FAILURE", "PRINTER DOWN"})) << "films/ cannot be written";
}

// A queue that takes no jobs fails the film at once; one that takes it and then fails to print it
// is followed to its end. Nothing is kept of a refused film, and every failure says why.
TEST_F(CupsService, AQueueThatRefusesOrFailsAFilmIsAnsweredOrFollowedAndLogged)
{
    const auto jobs = cups().allJobs().size();
    cups().admin("cupsreject", {QString::fromStdString(FilmQueue)});
    EXPECT_EQ(print(Film{}), DimseStatus::ProcessingFailure);
    cups().admin("cupsaccept", {QString::fromStdString(FilmQueue)});
    EXPECT_NE(service.errorLog().find("not accepting jobs"), std::string::npos) << service.errorLog();

    const std::string gone = "KestrovaGone";
    cups().addTestQueue(gone);
    usePrinter(gone);
    cups().removeQueue(gone);
    EXPECT_EQ(print(Film{}), DimseStatus::ProcessingFailure);
    EXPECT_NE(service.errorLog().find(gone), std::string::npos) << service.errorLog();
    EXPECT_EQ(printerStatus(), (DicomPrinterStatus{"FAILURE", "PRINTER DOWN"}));
    const std::string refusals = service.errorLog();
    EXPECT_EQ(std::count(refusals.begin(), refusals.end(), '\n'), 2) << refusals;
    EXPECT_EQ(refusals.find("DoPrint\r\n", refusals.find("DoPrint\r\n") + 1), refusals.size() - 9) << "each under DoPrint";
    EXPECT_TRUE(service.films().empty());
    EXPECT_EQ(cups().allJobs().size(), jobs);

    usePrinter(FilmQueue);
    writeFile(cups().queueFolder(FilmQueue) / "fail", "");
    EXPECT_EQ(print(Film{}), DimseStatus::Success) << "CUPS took it";
    const int job = lastJob();
    EXPECT_TRUE(dicomLogSaysSoon("CUPS job " + std::to_string(job) + " on \"" + FilmQueue + "\": aborted")) << dicomLog();
    std::filesystem::remove(cups().queueFolder(FilmQueue) / "fail");
    EXPECT_NE(service.errorLog().find(": aborted" + std::string("FollowJob")), std::string::npos) << service.errorLog();
}

// Two virtual printers on queues of their own beside the main printer on "Kestrova PDF", one queue
// stopped: each called AE title prints on its own printer and its Printer instance says that
// printer's name and state; any other AE title is the main printer's.
TEST_F(CupsService, EachVirtualPrinterPrintsOnItsOwnQueueAndSaysItsOwnState)
{
    service.configuration.virtualPrinters = {{"COLOUR", FilmQueue, "COLOUR EMU", 0}, {"LASER", StateQueue, "LASER EMU", 1}};
    cups().admin("cupsdisable", {QString::fromStdString(StateQueue)});
    usePrinter("Kestrova PDF");
    const auto colourReceived = cups().receivedDocuments(FilmQueue).size();
    const auto laserReceived = cups().receivedDocuments(StateQueue).size();
    for (const char* called : {"COLOUR", "LASER", "SOMEONE"})
        EXPECT_EQ(print(Film{1, "PORTRAIT", "", called}), DimseStatus::Success) << called << service.errorLog();
    std::vector<std::string> printedOn;
    for (const FilmRecord& film : service.service.films())
        printedOn.push_back(film.printer);
    EXPECT_EQ(printedOn, (std::vector<std::string>{FilmQueue, StateQueue, "Kestrova PDF"}));

    EXPECT_EQ(printerInstance("COLOUR"), (std::vector<std::string>{"COLOUR EMU", "NORMAL", "NORMAL"}));
    EXPECT_EQ(printerInstance("LASER"), (std::vector<std::string>{"LASER EMU", "FAILURE", "PRINTER OFFLINE"}));
    const std::string mainEmulation = service.configuration.settings.Emulation;
    EXPECT_EQ(printerInstance("SOMEONE"), (std::vector<std::string>{mainEmulation, "NORMAL", "NORMAL"}));

    cups().admin("cupsenable", {QString::fromStdString(StateQueue)});
    ASSERT_TRUE(cups().waitUntilNoPendingJobs(60s)) << cups().logTail();
    EXPECT_EQ(cups().receivedDocuments(FilmQueue).size(), colourReceived + 1);
    EXPECT_EQ(cups().receivedDocuments(StateQueue).size(), laserReceived + 1);
}

} // namespace
} // namespace kestrova
