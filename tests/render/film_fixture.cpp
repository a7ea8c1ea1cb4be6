#include "film_fixture.h"

#include "render/display_format.h"
#include "support/test_scu.h"
#include "toolkit/print_tags.h"
#include "toolkit/sop_classes.h"

#include <memory>
#include <vector>

namespace kestrova::test {

namespace {

DataSetPtr reference(const std::string& classUid, const std::string& uid)
{
    auto item = std::make_shared<DataSet>();
    item->add(ReferencedSopClassUidTag, classUid);
    item->add(ReferencedSopInstanceUidTag, uid);
    return item;
}

} // namespace

DataSetPtr flatGreyImage(int rows, int columns, std::uint8_t level)
{
    ImageSpec imageSpec;
    imageSpec.rows = rows;
    imageSpec.columns = columns;
    imageSpec.pixel = [level](int row, int column, int) {
        // Both ends of the range once, so the picture is not perfectly flat.
        return row == 0 && column < 2 ? std::uint16_t(column == 0 ? 0 : 255) : std::uint16_t(level);
    };
    return makeImage(imageSpec);
}

FilmFixture::FilmFixture()
{
    session_ = std::make_shared<DataSet>();
    session_->add(SopClassUidTag, std::string(SopClass::BasicFilmSession));
    session_->setSopInstanceUid("1.1");
    session_->setChildren(makeCollection());
    store->add(session_);
}

std::string FilmFixture::addFilmBox(const std::string& format, std::optional<int> references)
{
    const std::string uid = "1.1." + std::to_string(++counter_);
    filmBox_ = std::make_shared<DataSet>();
    filmBox_->add(SopClassUidTag, std::string(SopClass::BasicFilmBox));
    filmBox_->setSopInstanceUid(uid);
    filmBox_->add(PrintTag::ImageDisplayFormat, format);
    filmBox_->add(PrintTag::FilmOrientation, std::string("PORTRAIT"));
    auto sessionReference = makeCollection();
    sessionReference->add(reference(SopClass::BasicFilmSession, session_->sopInstanceUid()));
    filmBox_->add(PrintTag::ReferencedFilmSessionSequence, sessionReference);
    filmBox_->setChildren(makeCollection());
    filmBox_->add(PrintTag::ReferencedImageBoxSequence, filmBox_->children());

    int cells = 0;
    try {
        cells = static_cast<int>(std::max<std::int64_t>(0, DecodeFormat(format).cellCount()));
    } catch (...) {
        // Formats the renderer must refuse get no image boxes.
    }
    const int count = references.value_or(cells);
    for (int k = 1; k <= count; ++k) {
        const std::string boxUid = uid + "." + std::to_string(k);
        DataSetPtr imageBox = reference(SopClass::BasicGrayscaleImageBox, boxUid);
        imageBox->setSopInstanceUid(boxUid);
        store->add(imageBox);
        filmBox_->children()->add(imageBox);
    }
    store->add(filmBox_);
    session_->children()->add(filmBox_);
    return uid;
}

void FilmFixture::setImage(int k, DataSetPtr image)
{
    auto sequence = makeCollection();
    sequence->add(std::move(image));
    filmBox_->children()->item(static_cast<std::size_t>(k))->add(PrintTag::BasicGrayscaleImageSequence, sequence);
}

PrintContext FilmFixture::context()
{
    return PrintContext{store,   settings, left, right, lut, printer, preview, [this] { return maximized; },
                        [this] { ++eventPasses; }};
}

} // namespace kestrova::test
