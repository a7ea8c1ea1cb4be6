#include "test_film.h"

#include "support/test_scu.h"
#include "toolkit/print_tags.h"

#include <cmath>
#include <functional>

namespace kestrova::test {
namespace {

constexpr int Columns = 2;
constexpr int Rows = 2;

DataSetPtr filmBoxAttributes(const std::string& sessionUid)
{
    auto reference = std::make_shared<DataSet>();
    reference->add(ReferencedSopClassUidTag, std::string(uid::FilmSession));
    reference->add(ReferencedSopInstanceUidTag, sessionUid);
    auto sequence = makeCollection();
    sequence->add(reference);

    auto filmBox = std::make_shared<DataSet>();
    filmBox->add(PrintTag::ImageDisplayFormat, std::string("STANDARD\\2,2"));
    filmBox->add(PrintTag::FilmOrientation, std::string("PORTRAIT"));
    filmBox->add(PrintTag::ReferencedFilmSessionSequence, sequence);
    return filmBox;
}

// Four recognisable 8-bit pictures: a ramp, rings, a checkerboard and a disc.
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
            const int square = size / 8;
            return static_cast<std::uint16_t>(((row / square + column / square) % 2) ? 230 : 25);
        };
    default:
        return [centre, size](int row, int column, int) {
            const double radius = std::hypot(row - centre, column - centre);
            return static_cast<std::uint16_t>(radius < size * 0.4 ? 255 - radius : 16);
        };
    }
}

std::string referencedUid(const DataSetPtr& item) { return item->attribute(ReferencedSopInstanceUidTag).asText(); }

} // namespace

TestFilmResult sendTestFilm(const std::string& host, int port, int imageSize)
{
    TestFilmResult result;
    TestScu scu;
    auto answered = [&](const Response& response, const char* request) {
        if (!response.received) {
            result.failure = std::string("no response to ") + request + ": " + scu.lastError();
            return false;
        }
        result.statuses.push_back(response.status);
        if (response.status != 0) {
            result.failure = std::string(request) + " failed with status " + std::to_string(response.status);
            return false;
        }
        return true;
    };

    if (!scu.connect(host, port)) {
        result.failure = "no association: " + scu.lastError();
        return result;
    }
    auto sessionAttributes = std::make_shared<DataSet>();
    sessionAttributes->add(PrintTag::NumberOfCopies, std::string("1"));
    const Response session = scu.nCreate(uid::FilmSession, "", sessionAttributes);
    if (!answered(session, "film session N-CREATE"))
        return result;
    const Response filmBox = scu.nCreate(uid::FilmBox, "", filmBoxAttributes(session.affectedSopInstanceUid));
    if (!answered(filmBox, "film box N-CREATE"))
        return result;
    if (!filmBox.dataSet) {
        result.failure = "film box N-CREATE answered without image boxes";
        return result;
    }
    const CollectionPtr& imageBoxes = filmBox.dataSet->attribute(PrintTag::ReferencedImageBoxSequence).asSequence();
    for (int position = 1; position <= Columns * Rows; ++position) {
        ImageSpec image;
        image.rows = imageSize;
        image.columns = imageSize;
        image.pixel = pattern(position - 1, imageSize);
        const DataSetPtr& imageBox = imageBoxes->item(static_cast<std::size_t>(position));
        if (!answered(scu.nSet(uid::GrayscaleImageBox, referencedUid(imageBox), makeImageBoxModification(image, position)),
                      "image box N-SET"))
            return result;
    }
    if (!answered(scu.nAction(uid::FilmBox, filmBox.affectedSopInstanceUid), "film box N-ACTION"))
        return result;
    result.printed = true;
    scu.release();
    return result;
}

} // namespace kestrova::test
