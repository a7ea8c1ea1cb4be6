#include "support/cups_server.h"

#include "support/temp_folder.h"

#include <cups/cups.h>
#include <sys/prctl.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace kestrova::test {
namespace fs = std::filesystem;
namespace {

using namespace std::chrono_literals;

// cups-pdf reads its settings only from /etc/cups, per device URI "cups-pdf:/NAME" from
// cups-pdf-NAME.conf; each server writes one such file of its own and removes it again.
const fs::path CupsPdfConfigFolder = "/etc/cups";

QString qt(const fs::path& path) { return QString::fromStdString(path.string()); }

fs::path makeTemporaryRoot()
{
    const fs::path root = makeTemporaryFolder("kestrova-cups-");
    // Filters run as lp and must reach the folders below.
    fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                              | fs::perms::others_read | fs::perms::others_exec);
    return root;
}

std::vector<std::string> nonEmptyLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (const QString& line : QString::fromStdString(text).split('\n', Qt::SkipEmptyParts))
        lines.push_back(line.toStdString());
    return lines;
}

} // namespace

CommandResult runCommand(const QString& program, const QStringList& arguments, std::chrono::seconds limit)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        throw std::runtime_error("cannot start " + program.toStdString());
    if (!process.waitForFinished(static_cast<int>(std::chrono::milliseconds(limit).count()))) {
        process.kill();
        process.waitForFinished(5000);
        throw std::runtime_error(program.toStdString() + " did not finish in time");
    }
    const int exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {exitCode, process.readAll().toStdString()};
}

CupsServer::CupsServer()
    : root_(makeTemporaryRoot()), socket_(root_ / "cups.sock"),
      cupsPdfConfig_(CupsPdfConfigFolder / ("cups-pdf-" + root_.filename().string() + ".conf"))
{
    writeConfiguration();
    setenv("CUPS_SERVER", socket_.c_str(), 1);

    // A test that dies must not leave a scheduler behind.
    daemon_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon_.setProcessChannelMode(QProcess::MergedChannels);
    daemon_.start("/usr/sbin/cupsd", {"-f", "-c", qt(root_ / "cupsd.conf"), "-s", qt(root_ / "cups-files.conf")});
    waitUntilRunning();
}

CupsServer::~CupsServer()
{
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        if (!daemon_.waitForFinished(10000)) {
            daemon_.kill();
            daemon_.waitForFinished(5000);
        }
    }
    std::error_code ignored;
    fs::remove(cupsPdfConfig_, ignored);
    fs::remove_all(root_, ignored);
}

namespace {

// The system's filters and backends, and the test backend beside them.
void makeServerBin(const fs::path& bin)
{
    fs::create_directories(bin / "backend");
    for (const auto& entry : fs::directory_iterator("/usr/lib/cups")) {
        if (entry.path().filename() != "backend")
            fs::create_directory_symlink(entry.path(), bin / entry.path().filename());
    }
    for (const auto& entry : fs::directory_iterator("/usr/lib/cups/backend"))
        fs::create_symlink(entry.path(), bin / "backend" / entry.path().filename());
    // cupsd runs only backends that root owns and no one else may change.
    fs::copy_file(KESTROVA_TEST_BACKEND, bin / "backend" / "kestrova-test");
    fs::permissions(bin / "backend" / "kestrova-test", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                                                          | fs::perms::others_read | fs::perms::others_exec);
}

} // namespace

void CupsServer::writeConfiguration() const
{
    for (const char* folder : {"conf/ppd", "conf/ssl", "spool", "cache", "state", "log", "pdf", "tmp", "queues"})
        fs::create_directories(root_ / folder);
    makeServerBin(root_ / "bin");
    // Filters write their temporary files as lp.
    fs::permissions(root_ / "pdf", fs::perms::all);
    fs::permissions(root_ / "tmp", fs::perms::all | fs::perms::sticky_bit);

    const std::string root = root_.string();
    writeFile(root_ / "cupsd.conf",
              "LogLevel info\nListen " + socket_.string() + "\nBrowsing No\nBrowseLocalProtocols none\nWebInterface No\n"
              "DefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
              "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
    std::string files;
    for (const char* key : {"ServerRoot conf", "ServerBin bin", "RequestRoot spool", "CacheDir cache", "StateDir state", "TempDir tmp",
                            "ErrorLog log/error_log", "AccessLog log/access_log", "PageLog log/page_log", "Printcap printcap"}) {
        const std::string entry = key;
        files += entry.substr(0, entry.find(' ')) + " " + root + "/" + entry.substr(entry.find(' ') + 1) + "\n";
    }
    writeFile(root_ / "cups-files.conf", files + "SystemGroup root\n");
    writeFile(cupsPdfConfig_, "Out " + root + "/pdf\nAnonDirName " + root + "/pdf\nSpool " + root + "/cups-pdf-spool\nLog "
                                  + root + "/log\n");
}

void CupsServer::waitUntilRunning()
{
    if (!daemon_.waitForStarted(10000))
        throw std::runtime_error("cannot start cupsd");
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (daemon_.state() == QProcess::NotRunning)
            throw std::runtime_error("cupsd stopped at start:\n" + daemon_.readAll().toStdString() + logTail());
        if (fs::exists(socket_)
            && runCommand("lpstat", {"-h", qt(socket_), "-r"}, 10s).output.find("scheduler is running") != std::string::npos)
            return;
        std::this_thread::sleep_for(100ms);
    }
    throw std::runtime_error("cupsd did not come up in time:\n" + logTail());
}

std::string CupsServer::admin(const QString& tool, QStringList arguments) const
{
    arguments.prepend(qt(socket_));
    arguments.prepend("-h");
    const auto result = runCommand(tool, arguments);
    if (result.exitCode != 0)
        throw std::runtime_error(tool.toStdString() + " " + arguments.join(' ').toStdString() + " failed:\n"
                                 + result.output + logTail());
    return result.output;
}

void CupsServer::addPdfQueue(const std::string& name)
{
    admin("lpadmin", {"-p", QString::fromStdString(name), "-E", "-v", "cups-pdf:/" + qt(root_.filename()), "-m",
                      "lsb/usr/cups-pdf/CUPS-PDF_opt.ppd"});
}

void CupsServer::addTestQueue(const std::string& name)
{
    // The backend runs as lp.
    fs::create_directories(queueFolder(name));
    fs::permissions(queueFolder(name), fs::perms::all);
    admin("lpadmin", {"-p", QString::fromStdString(name), "-E", "-v", "kestrova-test:" + qt(queueFolder(name)), "-P",
                      KESTROVA_TEST_PPD, "-o", "printer-error-policy=abort-job"});
}

std::vector<std::string> CupsServer::receivedDocuments(const std::string& name) const
{
    std::vector<std::pair<int, fs::path>> jobs;
    for (const auto& entry : fs::directory_iterator(queueFolder(name))) {
        const std::string file = entry.path().filename().string();
        if (file.starts_with("job-") && entry.path().extension() == ".data")
            jobs.emplace_back(std::stoi(file.substr(4)), entry.path());
    }
    std::sort(jobs.begin(), jobs.end());
    std::vector<std::string> documents;
    for (const auto& [id, file] : jobs)
        documents.push_back(readFile(file));
    return documents;
}

std::map<std::string, std::string> CupsServer::jobAttributes(int jobId) const
{
    const std::unique_ptr<http_t, void (*)(http_t*)> http(
        httpConnect2(socket_.c_str(), ippPort(), nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 10000, nullptr), httpClose);
    if (!http)
        throw std::runtime_error("cannot reach cupsd");
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const std::string uri = "ipp://localhost/jobs/" + std::to_string(jobId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
    const std::unique_ptr<ipp_t, void (*)(ipp_t*)> response(cupsDoRequest(http.get(), request, "/"), ippDelete);
    std::map<std::string, std::string> attributes;
    for (ipp_attribute_t* attribute = response ? ippFirstAttribute(response.get()) : nullptr; attribute;
         attribute = ippNextAttribute(response.get())) {
        char value[1024];
        if (ippGetName(attribute))
            attributes[ippGetName(attribute)] = (ippAttributeString(attribute, value, sizeof value), value);
    }
    return attributes;
}

void CupsServer::setDefaultQueue(const std::string& name) { admin("lpadmin", {"-d", QString::fromStdString(name)}); }

void CupsServer::removeQueue(const std::string& name) { admin("lpadmin", {"-x", QString::fromStdString(name)}); }

std::vector<std::string> CupsServer::pendingJobs() const { return nonEmptyLines(admin("lpstat", {"-o"})); }

std::vector<std::string> CupsServer::allJobs() const { return nonEmptyLines(admin("lpstat", {"-W", "all", "-o"})); }

bool CupsServer::waitUntilNoPendingJobs(std::chrono::seconds limit) const
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pendingJobs().empty()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(200ms);
    }
    return true;
}

std::vector<fs::path> CupsServer::pdfFiles() const
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(root_ / "pdf"))
        if (entry.path().extension() == ".pdf")
            files.push_back(entry.path());
    return files;
}

void CupsTest::SetUpTestSuite()
{
    server_ = std::make_unique<CupsServer>();
    server_->addPdfQueue(Queue);
    server_->setDefaultQueue(Queue);
}

void CupsTest::TearDownTestSuite() { server_.reset(); }

std::string CupsServer::logTail() const
{
    const fs::path log = root_ / "log" / "error_log";
    const std::string text = fs::exists(log) ? readFile(log) : std::string();
    constexpr std::size_t shown = 4000;
    return "\n--- cupsd error_log (end) ---\n" + (text.size() > shown ? text.substr(text.size() - shown) : text);
}

} // namespace kestrova::test
