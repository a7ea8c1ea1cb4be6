#pragma once
// A private CUPS scheduler for tests that print through real CUPS: its own cupsd on a
// domain socket in a temporary folder (no TCP, no web interface, no browsing), with
// cups-pdf queues that write into that folder, and test queues whose printer is a backend of
// the test's (test_backend.sh: it keeps each document, and says the printer's state as it is
// told). Constructing it points this process's CUPS clients at it (CUPS_SERVER), so it must
// exist before the first CUPS call of the process: the CUPS library reads that variable once.

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kestrova::test {

struct CommandResult {
    int exitCode = -1;
    std::string output; // standard output and standard error together
};

// Runs a command-line tool and waits for it, at most the time given; a tool that cannot
// start or does not finish in time throws std::runtime_error.
CommandResult runCommand(const QString& program, const QStringList& arguments,
                         std::chrono::seconds limit = std::chrono::seconds(60));

class CupsServer {
public:
    // Throws std::runtime_error, with the scheduler's log, when cupsd does not come up.
    CupsServer();
    ~CupsServer();
    CupsServer(const CupsServer&) = delete;
    CupsServer& operator=(const CupsServer&) = delete;

    // The PDF files the cups-pdf queues of this server wrote.
    std::vector<std::filesystem::path> pdfFiles() const;

    // A cups-pdf queue: PDF through PostScript and Ghostscript, as a PostScript printer gets it.
    void addPdfQueue(const std::string& name);
    // A queue on the test backend (test_queue.ppd: PDF as it is, A4 and 14 x 17 inch, 600 dpi)
    // that aborts a job its printer fails; its folder takes the backend's reasons, hold and fail
    // files.
    void addTestQueue(const std::string& name);
    std::filesystem::path queueFolder(const std::string& name) const { return root_ / "queues" / name; }
    // The documents a test queue's printer received, in the order of their jobs.
    std::vector<std::string> receivedDocuments(const std::string& name) const;
    // Every attribute of the job as the scheduler reports it (Get-Job-Attributes), each value as
    // IPP text ("copies" "2", "media" "iso_a4_210x297mm").
    std::map<std::string, std::string> jobAttributes(int jobId) const;
    void setDefaultQueue(const std::string& name);
    void removeQueue(const std::string& name);

    // Every job the server has taken, finished or not.
    std::vector<std::string> allJobs() const;
    // True when the queue emptied within the limit.
    bool waitUntilNoPendingJobs(std::chrono::seconds limit) const;

    // The end of the scheduler's log, for failure messages.
    std::string logTail() const;

    // Runs one of the CUPS tools (lpadmin, lpstat, ...) against this server; throws
    // std::runtime_error when it fails.
    std::string admin(const QString& tool, QStringList arguments) const;

private:
    // Jobs not yet finished, over all queues.
    std::vector<std::string> pendingJobs() const;
    void writeConfiguration() const;
    void waitUntilRunning();

    std::filesystem::path root_;
    std::filesystem::path socket_;
    std::filesystem::path cupsPdfConfig_;
    QProcess daemon_;
};

// Tests that print through real CUPS: one private server for the whole test program, with a
// cups-pdf queue as the default. The CUPS library picks its server at its first call, so the
// server comes up before the suite's first test.
class CupsTest : public testing::Test {
public:
    static inline const std::string Queue = "KestrovaTestPDF";

protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    static CupsServer& cups() { return *server_; }

private:
    static inline std::unique_ptr<CupsServer> server_;
};

} // namespace kestrova::test
