#include "request_fixture.h"

#include "print_service/image_pruning.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrova {
namespace {

using test::makeDataSet;
using test::referenceTo;

// A store laid out by hand: two sessions, film boxes with and without image boxes.
class ObjectStoreTest : public testing::Test {
protected:
    ObjectStore store;

    void SetUp() override { store.reset(PrinterDataset(Settings{"AE", 1, "EMU", "", "", 0, 0, ""})); }

    DataSetPtr addObject(const std::string& classUid, const std::string& uid)
    {
        DataSetPtr object = store.NewDataSet();
        object->add(SopClassUidTag, classUid);
        object->setSopInstanceUid(uid);
        return object;
    }

    DataSetPtr addFilmBox(const std::string& uid, const std::string& session, int imageBoxes)
    {
        DataSetPtr filmBox = addObject(SopClass::BasicFilmBox, uid);
        filmBox->add(PrintTag::ReferencedFilmSessionSequence, referenceTo(SopClass::BasicFilmSession, session));
        if (imageBoxes > 0)
            filmBox->add(PrintTag::ReferencedImageBoxSequence, filmBox->children());
        for (int i = 1; i <= imageBoxes; ++i) {
            const std::string imageUid = uid + "." + std::to_string(i);
            DataSetPtr imageBox = store.NewDataSet();
            imageBox->setSopInstanceUid(imageUid);
            imageBox->add(ReferencedSopClassUidTag, std::string(SopClass::BasicGrayscaleImageBox));
            imageBox->add(ReferencedSopInstanceUidTag, imageUid);
            filmBox->children()->add(imageBox);
        }
        return filmBox;
    }

    bool stored(const std::string& uid) const { return store.dataset(uid) != nullptr; }
};

TEST_F(ObjectStoreTest, RemovingASessionTakesItsFilmBoxesAndTheirImageBoxesOnly)
{
    addObject(SopClass::BasicFilmSession, "1");
    addObject(SopClass::BasicFilmSession, "2");
    addFilmBox("1.1", "1", 2);
    addFilmBox("1.2", "1", 0);
    addFilmBox("2.1", "2", 1);
    store.remove(SopClass::BasicFilmSession, "1");
    for (const char* gone : {"1", "1.1", "1.1.1", "1.1.2", "1.2"})
        EXPECT_FALSE(stored(gone)) << gone;
    for (const char* kept : {"2", "2.1", "2.1.1", SopClass::PrinterInstance})
        EXPECT_TRUE(stored(kept)) << kept;
}

// The session lists its film boxes; a deleted film box must not live on there with its images.
TEST_F(ObjectStoreTest, ADeletedFilmBoxLeavesItsSessionsListAndIsFreed)
{
    const DataSetPtr session = addObject(SopClass::BasicFilmSession, "1");
    std::weak_ptr<DataSet> deletedImageBox;
    {
        const DataSetPtr deleted = addFilmBox("1.1", "1", 1);
        deletedImageBox = deleted->children()->item(1);
        session->children()->add(deleted);
    }
    session->children()->add(addFilmBox("1.2", "1", 0));
    store.remove(SopClass::BasicFilmBox, "1.1");
    EXPECT_FALSE(stored("1.1.1"));
    EXPECT_TRUE(stored("1"));
    EXPECT_TRUE(deletedImageBox.expired());
    ASSERT_EQ(session->children()->count(), 1u);
    EXPECT_EQ(session->children()->item(1)->sopInstanceUid(), "1.2");
}

TEST_F(ObjectStoreTest, MalformedReferencesAndUnknownUidsChangeNothingElse)
{
    DataSetPtr odd = addObject(SopClass::BasicFilmBox, "odd");
    odd->add(PrintTag::ReferencedImageBoxSequence, std::string("not a sequence"));
    store.remove(SopClass::BasicFilmBox, "odd");
    EXPECT_FALSE(stored("odd"));
    const std::size_t count = store.count();
    store.remove(SopClass::BasicFilmSession, "nothing");
    store.remove("", "");
    EXPECT_EQ(store.count(), count);
}

TEST(PrinterDataset, HoldsTheNineValuesFromTheSettings)
{
    const DataSetPtr printer = PrinterDataset(Settings{"MYAE", 104, "AGFA", "lp", "", 0, 0, ""});
    EXPECT_EQ(printer->sopInstanceUid(), "1.2.840.10008.5.1.1.17");
    EXPECT_EQ(printer->sopClassUid(), "1.2.840.10008.5.1.1.16");
    EXPECT_EQ(printer->attribute(PrintTag::Manufacturer).asText(), "Quendal Kestrova");
    EXPECT_EQ(printer->attribute(PrintTag::ManufacturerModelName).asText(), "MYAE");
    EXPECT_EQ(printer->attribute(PrintTag::DeviceSerialNumber).asText(), "1234");
    EXPECT_EQ(printer->attribute(PrintTag::SoftwareVersions).asText(), "1.0");
    EXPECT_EQ(printer->attribute(PrintTag::PrinterStatus).asText(), "NORMAL");
    EXPECT_EQ(printer->attribute(PrintTag::PrinterStatusInfo).asText(), "NORMAL");
    EXPECT_EQ(printer->attribute(PrintTag::PrinterName).asText(), "AGFA");
    EXPECT_EQ(printer->attributes().size(), 9u);
    EXPECT_FALSE(printer->children());
}

TEST(ImagePruning, DeletesFilesADayOldAndKeepsYoungerOnes)
{
    test::TempProgramFolder folder;
    const auto images = folder / "images";
    std::filesystem::create_directory(images);
    const auto now = std::chrono::system_clock::now();
    const auto age = [&](const char* name, std::chrono::hours hours) {
        test::writeFile(images / name, "x");
        const auto when = std::chrono::file_clock::from_sys(now - hours);
        std::filesystem::last_write_time(images / name, when);
    };
    age("old.img", std::chrono::hours(24));
    age("young.img", std::chrono::hours(23));
    pruneOldFiles(images, now);
    EXPECT_FALSE(std::filesystem::exists(images / "old.img"));
    EXPECT_TRUE(std::filesystem::exists(images / "young.img"));
    EXPECT_NO_THROW(pruneOldFiles(folder / "missing", now));
}

} // namespace
} // namespace kestrova
