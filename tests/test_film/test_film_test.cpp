#include "test_film/test_film.h"
#include "test_film/test_images.h"
#include "images/image_file.h"
#include "data/dcm_convert.h"
#include "data/image_tags.h"

#include "support/temp_folder.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcuid.h>

#include <gtest/gtest.h>

#include <vector>

namespace kestrova {
namespace {

namespace fs = std::filesystem;

struct FormatCase {
    std::size_t images;
    const char* format;
};

class StandardFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(StandardFormat, IsTheSmallestGridThatHoldsTheImages)
{
    EXPECT_EQ(standardFormatFor(GetParam().images), GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(Counts, StandardFormat,
                         testing::Values(FormatCase{0, "STANDARD\\1,1"}, FormatCase{1, "STANDARD\\1,1"},
                                         FormatCase{2, "STANDARD\\2,1"}, FormatCase{3, "STANDARD\\2,2"},
                                         FormatCase{4, "STANDARD\\2,2"}, FormatCase{5, "STANDARD\\3,2"},
                                         FormatCase{9, "STANDARD\\3,3"}, FormatCase{10, "STANDARD\\4,3"}),
                         [](const testing::TestParamInfo<FormatCase>& info) { return "Images" + std::to_string(info.param.images); });

TEST(TestFilm, ThePatternIsFourDistinctImages)
{
    const std::vector<DataSetPtr> pattern = testPattern(16);
    ASSERT_EQ(pattern.size(), 4u);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        EXPECT_EQ(pattern[i]->attribute(ImageTag::Rows).asNumber(), 16);
        EXPECT_FALSE(isColorImage(*pattern[i]));
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(*pattern[i]->attribute(ImageTag::PixelData).asBytes(), *pattern[j]->attribute(ImageTag::PixelData).asBytes());
    }
}

TEST(TestFilm, ColorAndGrayscaleImagesAreRefusedBeforeAnyConnection)
{
    ImageSpec color;
    color.photometric = Photometric::RgbInterleaved;
    FilmRequest film;
    film.images = {makeImage(ImageSpec{}), makeImage(color)};
    bool reported = false;
    // Nothing listens on port 1: a connection attempt would give another failure.
    const TestFilmResult result = sendTestFilm("127.0.0.1", 1, film, [&](const std::string&, std::uint16_t) { reported = true; });
    EXPECT_FALSE(result.printed);
    EXPECT_EQ(result.failure, "color and grayscale images cannot share one film: send them as two films");
    EXPECT_FALSE(reported);
}

class ImageFileTest : public testing::Test {
protected:
    test::TempProgramFolder folder;

    // A secondary capture of 2 x 2 pixels a frame, with a patient name.
    fs::path writeImage(const std::string& name, int frames, bool withPixels)
    {
        ImageSpec imageSpec;
        imageSpec.rows = imageSpec.columns = 2;
        DataSet image = *makeImage(imageSpec);
        image.add(SopClassUidTag, std::string(UID_SecondaryCaptureImageStorage));
        image.add(SopInstanceUidTag, std::string("1.2.3.4"));
        image.add(Tag{0x0010, 0x0010}, std::string("Test^Film"));
        if (frames > 1)
            image.add(Attribute({0x0028, 0x0008}, "IS", std::to_string(frames)));
        image.add(ImageTag::PixelData, std::make_shared<const std::vector<std::uint8_t>>(4 * frames, 200));
        if (!withPixels)
            image.remove(ImageTag::PixelData);
        DcmFileFormat file(dcm::toDcmDataset(image).get());
        const fs::path path = folder / name;
        EXPECT_TRUE(file.saveFile(path.c_str(), EXS_LittleEndianExplicit).good());
        return path;
    }
};

TEST_F(ImageFileTest, KeepsOnlyTheImagePixelModule)
{
    const auto image = readPrintableImage(writeImage("one.dcm", 1, true));
    ASSERT_TRUE(std::holds_alternative<DataSetPtr>(image)) << std::get<std::string>(image);
    const DataSetPtr& read = std::get<DataSetPtr>(image);
    EXPECT_EQ(read->attribute(ImageTag::Rows).asNumber(), 2);
    EXPECT_EQ(read->attribute(ImageTag::PixelData).asBytes()->size(), 4u);
    EXPECT_FALSE(read->has(Tag{0x0010, 0x0010}));
    EXPECT_FALSE(read->has(Tag{0x0008, 0x0018}));
}

struct RefusedCase {
    const char* name;
    int frames;
    bool withPixels;
    const char* says;
};

class RefusedImage : public ImageFileTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedImage, SaysWhy)
{
    const auto image = readPrintableImage(writeImage("image.dcm", GetParam().frames, GetParam().withPixels));
    ASSERT_TRUE(std::holds_alternative<std::string>(image));
    EXPECT_NE(std::get<std::string>(image).find(GetParam().says), std::string::npos) << std::get<std::string>(image);
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedImage,
                         testing::Values(RefusedCase{"MultiFrame", 3, true, "has 3 frames"},
                                         RefusedCase{"NoPixels", 1, false, "has no pixel data"}),
                         [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

TEST_F(ImageFileTest, AFileThatIsNotDicomIsRefused)
{
    test::writeFile(folder / "notes.txt", "not an image");
    const auto image = readPrintableImage(folder / "notes.txt");
    ASSERT_TRUE(std::holds_alternative<std::string>(image));
    EXPECT_NE(std::get<std::string>(image).find("notes.txt"), std::string::npos);
}

} // namespace
} // namespace kestrova
