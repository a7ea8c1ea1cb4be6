#include "service_fixture.h"

#include "print_service/dimse_status.h"

#include <algorithm>

namespace kestrova::test {

ServiceFixture::ServiceFixture(const PrinterCatalogue* catalogue)
    : configuration{Settings{"KODAK", freePort(), "AGFA", "Kestrova PDF", "DejaVu Sans", 10, 0, ""}, HeaderLines{},
                    HeaderLines{}, Limits{}, AccessSettings{}, TlsSettings{}},
      service(configuration, catalogue ? *catalogue : printers)
{
    service.restart();
}

ServiceFixture::~ServiceFixture() { service.stopListening(); }

bool ServiceFixture::connect(TestScu& scu, const std::string& metaSopClass, const std::string& calledAeTitle) const
{
    ConnectOptions options;
    options.abstractSyntaxes = {metaSopClass, SopClass::Printer, SopClass::Verification};
    options.calledAeTitle = calledAeTitle;
    return scu.connect("127.0.0.1", port(), options);
}

std::vector<std::filesystem::path> ServiceFixture::films() const
{
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "films", ec))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

FilmJob createFilm(TestScu& scu, const std::string& format)
{
    const std::string session = scu.nCreate(SopClass::BasicFilmSession, "", filmSessionAttributes()).affectedSopInstanceUid;
    const Response filmBox = scu.nCreate(SopClass::BasicFilmBox, "", filmBoxAttributes(format, session));
    return {session, filmBox.affectedSopInstanceUid, imageBoxesOf(filmBox)};
}

std::vector<std::uint16_t> setImages(TestScu& scu, const FilmJob& job)
{
    std::vector<std::uint16_t> statuses;
    for (std::size_t i = 0; i < job.imageBoxes.instances.size(); ++i) {
        const bool colour = job.imageBoxes.classes[i] == SopClass::BasicColorImageBox;
        const auto pixel = [i, colour](int row, int column, int sample) {
            return static_cast<std::uint16_t>(colour ? (row * 4 + column + sample * 60 + static_cast<int>(i) * 20) % 256
                                                     : (row * 64 + column * 8 + static_cast<int>(i) * 100) % 4096);
        };
        const ImageSpec imageSpec
            = sizedImage(64, 48, pixel, colour ? 8 : 12, colour ? Photometric::RgbInterleaved : Photometric::Monochrome2);
        statuses.push_back(
            scu.nSet(job.imageBoxes.classes[i], job.imageBoxes.instances[i], makeImageBoxModification(imageSpec, static_cast<int>(i) + 1))
                .status);
    }
    return statuses;
}

JobOutcome printOneFilm(TestScu& scu, int port, const std::function<void()>& connected)
{
    JobOutcome outcome;
    ConnectOptions options;
    // Sanitizer builds and a busy machine print slowly; the default would cut a queued job.
    options.dimseTimeoutSeconds = 60;
    outcome.connected = scu.connect("127.0.0.1", port, options);
    if (connected)
        connected();
    if (!outcome.connected)
        return outcome;
    const FilmJob job = createFilm(scu, "STANDARD\\1,1");
    outcome.setStatuses = setImages(scu, job);
    if (const Response action = scu.nAction(SopClass::BasicFilmBox, job.filmBox); action.received)
        outcome.actionStatus = action.status;
    scu.release();
    return outcome;
}

testing::AssertionResult nextJobPrints(ServiceFixture& service)
{
    const auto filmsBefore = service.films().size();
    TestScu scu;
    JobOutcome outcome;
    runPeer([&] { outcome = printOneFilm(scu, service.port()); });
    if (!outcome.connected)
        return testing::AssertionFailure() << "the next requester could not connect: " << scu.lastError();
    if (outcome.setStatuses != std::vector<std::uint16_t>{DimseStatus::Success})
        return testing::AssertionFailure() << "the image box N-SET failed";
    if (outcome.actionStatus != DimseStatus::Success)
        return testing::AssertionFailure() << "N-ACTION answered " << outcome.actionStatus << "\n" << service.errorLog();
    if (service.films().size() != filmsBefore + 1)
        return testing::AssertionFailure() << "no film was written";
    return testing::AssertionSuccess();
}

} // namespace kestrova::test
