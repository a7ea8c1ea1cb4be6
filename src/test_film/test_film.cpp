#include "test_film/test_film.h"

#include "test_film/film_requests.h"
#include "test_film/test_images.h"
#include "print_scu/print_scu.h"
#include "data/print_tags.h"
#include "data/sop_classes.h"

#include <algorithm>
#include <cmath>
#include <variant>

namespace kestrova {
namespace {

std::function<std::uint16_t(int, int, int)> pattern(int index, int size)
{
    const double centre = size / 2.0;
    switch (index) {
    case 0:
        return [size](int row, int column, int) { return static_cast<std::uint16_t>(255 * (row + column) / (2 * size - 2)); };
    case 1:
        return [centre](int row, int column, int) {
            const double radius = std::hypot(row - centre, column - centre);
            return static_cast<std::uint16_t>(127.5 + 127.5 * std::cos(radius / 4.0));
        };
    case 2:
        return [size](int row, int column, int) {
            const int square = std::max(1, size / 8);
            return static_cast<std::uint16_t>(((row / square + column / square) % 2) ? 230 : 25);
        };
    default:
        return [centre, size](int row, int column, int) {
            const double radius = std::hypot(row - centre, column - centre);
            return static_cast<std::uint16_t>(radius < size * 0.4 ? 255 - radius : 16);
        };
    }
}

// A film box holds image boxes of one kind: the meta SOP class and image box class follow
// the images, and a mix cannot go on one film.
struct FilmKind {
    const char* meta;
    const char* imageBox;
};

std::variant<FilmKind, std::string> filmKindOf(const std::vector<DataSetPtr>& images)
{
    const auto colors = std::count_if(images.begin(), images.end(), [](const DataSetPtr& image) { return isColorImage(*image); });
    if (colors == 0)
        return FilmKind{SopClass::BasicGrayscalePrintManagementMeta, SopClass::BasicGrayscaleImageBox};
    if (colors == static_cast<std::ptrdiff_t>(images.size()))
        return FilmKind{SopClass::BasicColorPrintManagementMeta, SopClass::BasicColorImageBox};
    return std::string("color and grayscale images cannot share one film: send them as two films");
}

std::string referencedUid(const DataSetPtr& item) { return item->attribute(ReferencedSopInstanceUidTag).asText(); }

} // namespace

std::vector<DataSetPtr> testPattern(int size)
{
    std::vector<DataSetPtr> images;
    for (int index = 0; index < 4; ++index) {
        ImageSpec image;
        image.rows = size;
        image.columns = size;
        image.pixel = pattern(index, size);
        images.push_back(makeImage(image));
    }
    return images;
}

DataSetPtr stepWedge()
{
    constexpr int StepWidth = 32;
    ImageSpec image;
    image.rows = 2 * StepWidth;
    image.columns = StepWedgeSteps * StepWidth;
    image.pixel = [](int, int column, int) {
        return static_cast<std::uint16_t>(column / StepWidth * 255 / (StepWedgeSteps - 1));
    };
    return makeImage(image);
}

std::string standardFormatFor(std::size_t imageCount)
{
    const auto columns = std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(imageCount)))));
    const auto rows = std::max<std::size_t>(1, (imageCount + columns - 1) / columns);
    return "STANDARD\\" + std::to_string(columns) + "," + std::to_string(rows);
}

TestFilmResult sendTestFilm(const std::string& host, int port, const FilmRequest& film, const StatusReport& report)
{
    TestFilmResult result;
    const std::vector<DataSetPtr> images = film.images.empty() ? testPattern() : film.images;
    const auto kind = filmKindOf(images);
    if (const auto* problem = std::get_if<std::string>(&kind)) {
        result.failure = *problem;
        return result;
    }
    const FilmKind& filmKind = std::get<FilmKind>(kind);

    PrintScu scu;
    auto answered = [&](const ScuResponse& response, const char* request) {
        if (!response.received) {
            result.failure = std::string("no response to ") + request + ": " + scu.lastError();
            return false;
        }
        result.statuses.push_back(response.status);
        if (report)
            report(request, response.status);
        if (response.status != 0) {
            result.failure = std::string(request) + " failed with status " + std::to_string(response.status);
            return false;
        }
        return true;
    };

    ScuOptions options;
    options.abstractSyntaxes = {filmKind.meta};
    options.calledAeTitle = film.calledAeTitle;
    options.callingAeTitle = film.callingAeTitle;
    options.tls = film.tls;
    if (!scu.connect(host, port, options) || !scu.useContext(filmKind.meta)) {
        result.failure = "no association: " + (scu.lastError().empty() ? std::string("print management not accepted") : scu.lastError());
        return result;
    }
    const ScuResponse session = scu.nCreate(SopClass::BasicFilmSession, "", filmSessionAttributes());
    if (!answered(session, "film session N-CREATE"))
        return result;
    const std::string format = film.format.empty() ? standardFormatFor(images.size()) : film.format;
    const ScuResponse filmBox = scu.nCreate(SopClass::BasicFilmBox, "", filmBoxAttributes(format, session.affectedSopInstanceUid));
    if (!answered(filmBox, "film box N-CREATE"))
        return result;
    if (!filmBox.dataSet || !filmBox.dataSet->has(PrintTag::ReferencedImageBoxSequence)) {
        result.failure = "film box N-CREATE answered without image boxes";
        return result;
    }
    const CollectionPtr& imageBoxes = filmBox.dataSet->attribute(PrintTag::ReferencedImageBoxSequence).asSequence();
    if (imageBoxes->count() < images.size()) {
        result.failure = "the format " + format + " has " + std::to_string(imageBoxes->count()) + " image boxes for " +
                         std::to_string(images.size()) + " images";
        return result;
    }
    for (std::size_t index = 0; index < images.size(); ++index) {
        const int position = static_cast<int>(index) + 1;
        const DataSetPtr& imageBox = imageBoxes->item(index + 1);
        if (!answered(scu.nSet(filmKind.imageBox, referencedUid(imageBox), imageBoxModification(images[index], position)),
                      "image box N-SET"))
            return result;
    }
    if (!answered(scu.nAction(SopClass::BasicFilmBox, filmBox.affectedSopInstanceUid), "film box N-ACTION"))
        return result;
    result.printed = true;
    scu.release();
    return result;
}

} // namespace kestrova
