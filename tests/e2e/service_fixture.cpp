#include "service_fixture.h"

#include "toolkit/print_tags.h"

#include <algorithm>

namespace kestrova::test {

namespace {

DataSetPtr filmBoxAttributes(const std::string& format, const std::string& session)
{
    auto reference = std::make_shared<DataSet>();
    reference->add(ReferencedSopClassUidTag, std::string(uid::FilmSession));
    reference->add(ReferencedSopInstanceUidTag, session);
    auto sequence = makeCollection();
    sequence->add(reference);
    auto attributes = std::make_shared<DataSet>();
    attributes->add(PrintTag::ImageDisplayFormat, format);
    attributes->add(PrintTag::FilmOrientation, std::string("PORTRAIT"));
    attributes->add(PrintTag::ReferencedFilmSessionSequence, sequence);
    return attributes;
}

} // namespace

ServiceFixture::ServiceFixture()
    : service(printer, preview)
{
    GlobalSettings = Settings{"KODAK", freePort(), "KODAK", "Kestrova PDF", "DejaVu Sans", 10, 0, ""};
    HeaderLeftLines = HeaderLines{};
    HeaderRightLines = HeaderLines{};
    QObject::connect(&service, &PrintService::listenFailed, [this](int) { ++listenFailures; });
    service.LoadSettings();
}

ServiceFixture::~ServiceFixture() { service.stopListening(); }

bool ServiceFixture::connect(TestScu& scu, const std::string& metaSopClass) const
{
    ConnectOptions options;
    options.abstractSyntaxes = {metaSopClass, uid::Printer, uid::Verification};
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

std::string ServiceFixture::errorLog() const
{
    const auto file = folder / "Logs" / "Error.log";
    return std::filesystem::exists(file) ? readFile(file) : std::string();
}

FilmJob createFilm(TestScu& scu, const std::string& format)
{
    FilmJob job;
    auto session = std::make_shared<DataSet>();
    session->add(PrintTag::NumberOfCopies, std::string("1"));
    job.session = scu.nCreate(uid::FilmSession, "", session).affectedSopInstanceUid;
    const Response filmBox = scu.nCreate(uid::FilmBox, "", filmBoxAttributes(format, job.session));
    job.filmBox = filmBox.affectedSopInstanceUid;
    if (!filmBox.dataSet || !filmBox.dataSet->has(PrintTag::ReferencedImageBoxSequence))
        return job;
    for (const auto& item : *filmBox.dataSet->attribute(PrintTag::ReferencedImageBoxSequence).asSequence()) {
        job.imageBoxes.push_back(item->attribute(ReferencedSopInstanceUidTag).asText());
        job.imageBoxClasses.push_back(item->attribute(ReferencedSopClassUidTag).asText());
    }
    return job;
}

std::vector<std::uint16_t> setImages(TestScu& scu, const FilmJob& job)
{
    std::vector<std::uint16_t> statuses;
    for (std::size_t i = 0; i < job.imageBoxes.size(); ++i) {
        ImageSpec spec;
        spec.rows = 64;
        spec.columns = 48;
        spec.bitsStored = 12;
        const bool colour = job.imageBoxClasses[i] == uid::ColorImageBox;
        spec.photometric = colour ? Photometric::RgbInterleaved : Photometric::Monochrome2;
        spec.bitsStored = colour ? 8 : 12;
        spec.pixel = [i, colour](int row, int column, int sample) {
            return static_cast<std::uint16_t>(colour ? (row * 4 + column + sample * 60 + static_cast<int>(i) * 20) % 256
                                                     : (row * 64 + column * 8 + static_cast<int>(i) * 100) % 4096);
        };
        statuses.push_back(
            scu.nSet(job.imageBoxClasses[i], job.imageBoxes[i], makeImageBoxModification(spec, static_cast<int>(i) + 1))
                .status);
    }
    return statuses;
}

} // namespace kestrova::test
