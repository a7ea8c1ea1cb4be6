#include "core/global_settings.h"
#include "printing/testing/recording_printer_device.h"
#include "toolkit/dicom_log.h"
#include "ui/preferences_dialog.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <ostream>

namespace kestrova::test {
namespace {

class PreferencesTest : public UiTest {
protected:
    PreferencesTest() { printer.setPrinters({"Film Printer", "Office", "Kestrova PDF"}, "Film Printer"); }

    // Opened as the program opens it, but without waiting, so the test can act.
    void open()
    {
        dialog.Form_Load();
        dialog.show();
    }

    std::string settingsFile() const { return readFile(folder / "Kestrova.ini"); }

    DicomLog log;
    RecordingPrinterDevice printer;
    fPref dialog{log, printer};
};

TEST_F(PreferencesTest, IsAFixedDialogWithoutMinimizeOrMaximize)
{
    EXPECT_EQ(dialog.minimumSize(), QSize(392, 471));
    EXPECT_EQ(dialog.maximumSize(), QSize(392, 471));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(PreferencesTest, OpeningShowsTheSettings)
{
    GlobalSettings.AETName = "MYPRINTER";
    GlobalSettings.Emulation = "AGFA";
    GlobalSettings.Printer = "Office";
    GlobalSettings.Fontname = "Courier";
    GlobalSettings.Fontsize = 12;
    GlobalSettings.LUT = 1;
    GlobalSettings.ImagePath = "/logos/clinic.png";
    HeaderLeftLines = HeaderLines{"Clinic", "Radiology"};
    log.setLevel(5);
    open();

    EXPECT_EQ(dialog.AETName->text(), "MYPRINTER");
    EXPECT_EQ(dialog.Port->text(), QString::number(port));
    EXPECT_EQ(dialog.Emulation->text(), "AGFA");
    EXPECT_EQ(dialog.txtFont->text(), "Courier, 12");
    EXPECT_EQ(dialog.HeaderLeft->toPlainText(), "Clinic\nRadiology");
    EXPECT_TRUE(dialog.chkPrintLut->isChecked());
    EXPECT_EQ(dialog.txtImagePath->text(), "/logos/clinic.png");
    EXPECT_EQ(log.level(), 63);
    ASSERT_EQ(dialog.Prntr->count(), 3);
    EXPECT_EQ(dialog.Prntr->itemText(2), "Kestrova PDF");
    EXPECT_EQ(dialog.Prntr->currentText(), "Office");
    EXPECT_TRUE(dialog.cmdOK->isEnabled());
}

TEST_F(PreferencesTest, EveryOpeningStartsAgainFromTheSettings)
{
    HeaderLeftLines = HeaderLines{"Clinic"};
    open();
    dialog.AETName->setText("TYPED");
    dialog.cmdCancel_Click();
    open();
    EXPECT_EQ(dialog.AETName->text(), "KODAK");
    EXPECT_EQ(dialog.HeaderLeft->toPlainText(), "Clinic");
    EXPECT_EQ(dialog.Prntr->count(), 3);
}

TEST_F(PreferencesTest, PortZeroOpensEmptyWithOkDisabled)
{
    GlobalSettings.Port = 0;
    open();
    EXPECT_TRUE(dialog.Port->text().isEmpty());
    EXPECT_FALSE(dialog.cmdOK->isEnabled());
}

TEST_F(PreferencesTest, UnknownPrinterIsLoggedAndSelectsNothing)
{
    GlobalSettings.Printer = "Gone Printer";
    open();
    EXPECT_EQ(dialog.Prntr->currentIndex(), -1);
    EXPECT_NE(errorLog().find("fPref Form_Load"), std::string::npos);
    EXPECT_TRUE(dialog.cmdOK->isEnabled());
}

struct EnableCase {
    const char* aeTitle;
    const char* portText;
    const char* emulation;
    bool enabled;
};

void PrintTo(const EnableCase& c, std::ostream* out)
{
    *out << '"' << c.aeTitle << "\" \"" << c.portText << "\" \"" << c.emulation << (c.enabled ? "\" enabled" : "\" disabled");
}

class OkEnableTest : public PreferencesTest, public ::testing::WithParamInterface<EnableCase> {};

TEST_P(OkEnableTest, OkNeedsTitleEmulationAndNumericPort)
{
    open();
    dialog.AETName->setText(GetParam().aeTitle);
    dialog.Port->setText(GetParam().portText);
    dialog.Emulation->setText(GetParam().emulation);
    EXPECT_EQ(dialog.cmdOK->isEnabled(), GetParam().enabled);
}

INSTANTIATE_TEST_SUITE_P(Fields, OkEnableTest,
                         ::testing::Values(EnableCase{"KESTROVA", "104", "KODAK", true},
                                           EnableCase{"", "104", "KODAK", false},
                                           EnableCase{"KESTROVA", "104", "", false},
                                           EnableCase{"KESTROVA", "", "KODAK", false},
                                           EnableCase{"KESTROVA", "abc", "KODAK", false},
                                           EnableCase{"KESTROVA", "1,5", "KODAK", false},
                                           EnableCase{"K", " 12.5 ", "E", true},
                                           EnableCase{"KESTROVA", "99999999999", "KODAK", true}));

TEST_F(PreferencesTest, TypingOneCharacterEnablesOkAgain)
{
    open();
    dialog.AETName->clear();
    ASSERT_FALSE(dialog.cmdOK->isEnabled());
    QTest::keyClicks(dialog.AETName, "X");
    EXPECT_TRUE(dialog.cmdOK->isEnabled());
}

struct PortCase {
    const char* text;
    std::int32_t stored;
};

void PrintTo(const PortCase& c, std::ostream* out) { *out << '"' << c.text << "\" stored as " << c.stored; }

class PortConversionTest : public PreferencesTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortConversionTest, OkStoresThePortRoundedHalfToEven)
{
    open();
    dialog.Port->setText(GetParam().text);
    dialog.cmdOK_Click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(GlobalSettings.Port, GetParam().stored);
    EXPECT_NE(settingsFile().find("Port=" + std::to_string(GetParam().stored) + "\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Texts, PortConversionTest,
                         ::testing::Values(PortCase{"12.5", 12}, PortCase{"13.5", 14}, PortCase{"-5", -5},
                                           PortCase{" 2000 ", 2000}));

TEST_F(PreferencesTest, PortBeyondThirtyTwoBitsShowsTheErrorAndKeepsTheDialogOpen)
{
    const std::string before = settingsFile();
    open();
    dialog.Emulation->setText("AGFA");
    dialog.Port->setText("99999999999");
    dialog.cmdOK_Click();

    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Overflow");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(GlobalSettings.Emulation, "AGFA");
    EXPECT_EQ(GlobalSettings.Port, port);
    EXPECT_EQ(settingsFile(), before);
}

TEST_F(PreferencesTest, OkStoresAndWritesEverySetting)
{
    log.append(LogCategory::Associations, "before OK");
    open();
    dialog.AETName->setText(" Mixed Case ");
    dialog.Emulation->setText("AGFA");
    dialog.Prntr->setCurrentIndex(1);
    dialog.chkPrintLut->setChecked(true);
    dialog.txtImagePath->setText("/logos/clinic.png");
    dialog.cmdOK_Click();

    EXPECT_EQ(GlobalSettings.AETName, " Mixed Case ");
    EXPECT_EQ(GlobalSettings.Emulation, "AGFA");
    EXPECT_EQ(GlobalSettings.Printer, "Office");
    EXPECT_EQ(GlobalSettings.LUT, 1);
    EXPECT_EQ(GlobalSettings.ImagePath, "/logos/clinic.png");
    const std::string written = settingsFile();
    EXPECT_NE(written.find("AETName= Mixed Case \r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("Printer=Office\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("LUT=1\r\n"), std::string::npos) << written;
    EXPECT_EQ(log.entryCount(), 0u);
}

// The box shows only ticked or not: a hand-written LUT=2 stays unless the user changes it.
TEST_F(PreferencesTest, ALutValueTheBoxCannotShowIsKeptUnlessTheBoxIsChanged)
{
    struct LutCase {
        std::int16_t before;
        bool toggle;
        std::int16_t after;
    };
    for (const LutCase lutCase : {LutCase{2, false, 2}, LutCase{-1, false, -1}, LutCase{2, true, 0},
                                  LutCase{0, true, 1}, LutCase{1, false, 1}}) {
        GlobalSettings.LUT = lutCase.before;
        open();
        if (lutCase.toggle)
            dialog.chkPrintLut->setChecked(!dialog.chkPrintLut->isChecked());
        dialog.cmdOK_Click();
        EXPECT_EQ(GlobalSettings.LUT, lutCase.after) << "from " << lutCase.before;
    }
}

TEST_F(PreferencesTest, CaptionLinesAreWrittenWithAFinalCrLfAndComeBack)
{
    open();
    dialog.HeaderLeft->setPlainText("Clinic\nRadiology");
    dialog.HeaderRight->setPlainText("Dr. Who");
    dialog.cmdOK_Click();

    EXPECT_EQ(readFile(folder / "Left.ini"), "Clinic\r\nRadiology\r\n");
    EXPECT_EQ(readFile(folder / "Right.ini"), "Dr. Who\r\n");
    EXPECT_EQ(HeaderLeftLines, (HeaderLines{"Clinic", "Radiology"}));
    open();
    EXPECT_EQ(dialog.HeaderLeft->toPlainText(), "Clinic\nRadiology");
    EXPECT_EQ(dialog.HeaderRight->toPlainText(), "Dr. Who");
}

TEST_F(PreferencesTest, EmptyLeftCaptionDeletesItsFile)
{
    writeFile(folder / "Left.ini", "Old caption\r\n");
    writeFile(folder / "Right.ini", "Kept\r\n");
    loadSettingsFiles();
    open();
    dialog.HeaderLeft->clear();
    dialog.cmdOK_Click();

    EXPECT_FALSE(std::filesystem::exists(folder / "Left.ini"));
    EXPECT_EQ(readFile(folder / "Right.ini"), "Kept\r\n");
    EXPECT_EQ(HeaderLeftLines, HeaderLines{});
}

TEST_F(PreferencesTest, CancelStoresNothing)
{
    const std::string before = settingsFile();
    open();
    dialog.AETName->setText("CHANGED");
    dialog.HeaderLeft->setPlainText("Unsaved");
    dialog.cmdCancel_Click();

    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(GlobalSettings.AETName, "KODAK");
    EXPECT_EQ(settingsFile(), before);
    EXPECT_FALSE(std::filesystem::exists(folder / "Left.ini"));
}

TEST_F(PreferencesTest, FontChosenThenCancelIsInEffectButNotSaved)
{
    const std::string before = settingsFile();
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPointSizeF(11.5);
    chosen.setBold(true);
    dialogs.fontAnswer = chosen;
    open();
    dialog.cmdFont_Click();
    dialog.cmdCancel_Click();

    ASSERT_TRUE(dialogs.fontAsked);
    EXPECT_EQ(dialogs.fontAsked->family(), "Tahoma");
    EXPECT_EQ(dialogs.fontAsked->pointSize(), 10);
    EXPECT_EQ(GlobalSettings.Fontname, "DejaVu Serif");
    EXPECT_EQ(GlobalSettings.Fontsize, 12);
    EXPECT_EQ(dialog.txtFont->text(), "DejaVu Serif, 12");
    EXPECT_EQ(settingsFile(), before);

    // The style flags preset the dialog next time.
    dialog.cmdFont_Click();
    EXPECT_TRUE(dialogs.fontAsked->bold());
}

TEST_F(PreferencesTest, FontSizeHalvesRoundToEven)
{
    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPointSizeF(10.5);
    dialogs.fontAnswer = chosen;
    open();
    dialog.cmdFont_Click();
    EXPECT_EQ(GlobalSettings.Fontsize, 10);
}

TEST_F(PreferencesTest, CancelledFontDialogChangesNothing)
{
    open();
    dialog.cmdFont_Click();
    EXPECT_EQ(GlobalSettings.Fontname, "Tahoma");
    EXPECT_EQ(GlobalSettings.Fontsize, 10);
    EXPECT_EQ(dialog.txtFont->text(), "Tahoma, 10");
}

TEST_F(PreferencesTest, LogoButtonTakesTheChosenFile)
{
    open();
    dialog.txtImagePath->setText("/old/logo.png");
    dialog.cmdOpen_Click();
    EXPECT_EQ(dialogs.filterAsked, "All Files (*.*)");
    EXPECT_EQ(dialog.txtImagePath->text(), "/old/logo.png");

    dialogs.fileAnswer = "/new/logo.bmp";
    dialog.cmdOpen_Click();
    EXPECT_EQ(dialog.txtImagePath->text(), "/new/logo.bmp");
}

TEST_F(PreferencesTest, NeitherEscapeNorEnterAnswersTheDialog)
{
    open();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    dialog.AETName->setFocus();
    QTest::keyClick(dialog.AETName, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.cmdOK->autoDefault());
    EXPECT_FALSE(dialog.cmdCancel->isDefault());
}

} // namespace
} // namespace kestrova::test
