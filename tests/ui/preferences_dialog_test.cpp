#include "core/configuration.h"
#include "core/settings_files.h"
#include "printing/testing/recording_printers.h"
#include "network/dicom_log.h"
#include "ui/preferences_dialog.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <filesystem>
#include <tuple>

namespace kestrova::test {
namespace {

class PreferencesTest : public UiTest {
protected:
    PreferencesTest() { catalogue.setPrinters({"Film Printer", "Office", "Kestrova PDF"}, "Film Printer"); }

    // Opened as the program opens it, but without waiting, so the test can act.
    void open() { dialog.show(); }

    QLineEdit& field(const char* name) { return control<QLineEdit>(dialog, name); }
    QPlainTextEdit& caption(const char* name) { return control<QPlainTextEdit>(dialog, name); }
    QComboBox& printers() { return control<QComboBox>(dialog, "Prntr"); }
    QCheckBox& lutBox() { return control<QCheckBox>(dialog, "chkPrintLut"); }
    QPushButton& button(const char* name) { return control<QPushButton>(dialog, name); }
    void ok() { button("cmdOK").click(); }
    void cancel() { button("cmdCancel").click(); }

    std::string settingsFile() const { return readFile(folder / "Kestrova.ini"); }

    DicomLog log;
    RecordingPrinters catalogue;
    PreferencesDialog dialog{configuration, log, catalogue};
};

TEST_F(PreferencesTest, EveryOpeningShowsTheSettingsAfresh)
{
    EXPECT_FALSE(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    configuration.settings = Settings{"MYPRINTER", 4007, "AGFA", "Office", "Courier", 12, 1, "/logos/clinic.png"};
    configuration.headerLeft = HeaderLines{"Clinic", "Radiology"};
    log.setLevel(5);
    open();
    field("AETName").setText("TYPED");
    cancel();
    open();
    const QStringList shown{field("AETName").text(), field("Port").text(), field("Emulation").text(),
                            field("txtFont").text(), field("txtImagePath").text(), caption("HeaderLeft").toPlainText()};
    EXPECT_EQ(shown, (QStringList{"MYPRINTER", "4007", "AGFA", "Courier, 12", "/logos/clinic.png", "Clinic\nRadiology"}));
    EXPECT_TRUE(lutBox().isChecked());
    EXPECT_EQ(log.level(), 63);
    ASSERT_EQ(printers().count(), 3);
    EXPECT_EQ(printers().currentText(), "Office");
    EXPECT_TRUE(button("cmdOK").isEnabled());
}

TEST_F(PreferencesTest, PortZeroOpensEmptyAndAnUnknownPrinterIsLoggedAndSelectsNothing)
{
    configuration.settings.Port = 0;
    configuration.settings.Printer = "Gone Printer";
    open();
    EXPECT_TRUE(field("Port").text().isEmpty());
    EXPECT_FALSE(button("cmdOK").isEnabled());
    EXPECT_EQ(printers().currentIndex(), -1);
    EXPECT_NE(folder.errorLog().find("fPref Form_Load"), std::string::npos);
    QTest::keyClicks(&field("Port"), "1");
    EXPECT_TRUE(button("cmdOK").isEnabled()) << "typing enables OK";
}

// Who may print is set beside the rest and kept in a section of its own.
TEST_F(PreferencesTest, AccessListsShowAndOkWritesThemToTheirSection)
{
    configuration.access = AccessSettings{"CT1", "10.1.0.0/16", 0};
    open();
    EXPECT_EQ(field("txtHosts").text(), "10.1.0.0/16");
    EXPECT_FALSE(control<QCheckBox>(dialog, "chkCheckCalledAET").isChecked());
    field("txtCallingAETitles").setText("CT1\\VIEWER");
    control<QCheckBox>(dialog, "chkCheckCalledAET").setChecked(true);
    ok();
    AccessSettings fromFile;
    ReadAccess(fromFile);
    EXPECT_EQ(fromFile, (AccessSettings{"CT1\\VIEWER", "10.1.0.0/16", 1})) << settingsFile();
    EXPECT_EQ(configuration.access, fromFile);
}

// A Kestrova.ini written by hand for an earlier release (LF line ends, blanks around a value) comes
// back byte for byte from an OK that changed nothing. The table's rows are added, edited, checked
// as the other fields are, and removed, each written to a section of its own.
TEST_F(PreferencesTest, AnUntouchedFileStaysByteForByteAndTheVirtualPrintersTableIsWrittenAndReadBack)
{
    const std::string earlier = "[Kestrova]\nAETName=KODAK\nPort=4006\nEmulation=KODAK\nPrinter=\nFontname=Tahoma\n"
                                "Fontsize=10\nLUT=0\nImagePath=\n\n[Access]\nHosts = 10.1.0.0/16\n";
    writeFile(folder / "Kestrova.ini", earlier);
    ReadSettings(configuration.settings);
    ReadAccess(configuration.access);
    ReadVirtualPrinters(configuration.virtualPrinters);
    open();
    ok();
    EXPECT_EQ(settingsFile(), earlier);

    open();
    auto& table = control<QTableWidget>(dialog, "tblPrinters");
    button("cmdAddPrinter").click();
    button("cmdAddPrinter").click();
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_FALSE(button("cmdOK").isEnabled()) << "rows without AE titles";
    table.item(0, 0)->setText("COLOUR");
    qobject_cast<QComboBox*>(table.cellWidget(0, 1))->setCurrentText("Office");
    table.item(0, 2)->setText("AGFA");
    table.item(0, 3)->setCheckState(Qt::Checked);
    for (const auto& [title, enabled] : std::vector<std::pair<const char*, bool>>{
             {"COLOUR", false}, {"KODAK", false}, {"SEVENTEEN_LETTERS", false}, {"LASER", true}}) {
        table.item(1, 0)->setText(title);
        EXPECT_EQ(button("cmdOK").isEnabled(), enabled) << title;
    }
    ok();
    std::vector<VirtualPrinter> fromFile;
    ReadVirtualPrinters(fromFile);
    EXPECT_EQ(fromFile, (std::vector<VirtualPrinter>{{"COLOUR", "Office", "AGFA", 1}, {"LASER", "Film Printer", "KODAK", 0}}))
        << settingsFile();
    EXPECT_EQ(configuration.virtualPrinters, fromFile);

    open();
    table.setCurrentCell(0, 0);
    button("cmdRemovePrinter").click();
    ok();
    ReadVirtualPrinters(fromFile);
    EXPECT_EQ(fromFile, (std::vector<VirtualPrinter>{{"LASER", "Film Printer", "KODAK", 0}}));
    EXPECT_EQ(settingsFile().find("[VirtualPrinter2]"), std::string::npos) << settingsFile();
}

// Blanks around the port and its fraction are the number parser's own cases (numeric_text_test).
TEST_F(PreferencesTest, OkNeedsATitleAnEmulationAndANumericPort)
{
    open();
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        {"KESTROVA", "104", "KODAK", true}, {"", "104", "KODAK", false}, {"KESTROVA", "104", "", false},
        {"KESTROVA", "1,5", "KODAK", false}, {"K", "4006", "E", true}};
    for (const auto& [title, portText, emulation, enabled] : cases) {
        field("AETName").setText(title);
        field("Port").setText(portText);
        field("Emulation").setText(emulation);
        EXPECT_EQ(button("cmdOK").isEnabled(), enabled) << title << " / " << portText << " / " << emulation;
    }
}

TEST_F(PreferencesTest, PortBeyondThirtyTwoBitsShowsTheErrorAndKeepsTheDialogOpen)
{
    const std::string before = settingsFile();
    open();
    field("Emulation").setText("AGFA");
    field("Port").setText("99999999999");
    ok();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Overflow");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(configuration.settings.Emulation, "AGFA") << "stored before the failing port";
    EXPECT_EQ(configuration.settings.Port, port);
    EXPECT_EQ(settingsFile(), before);
}

TEST_F(PreferencesTest, OkStoresAndWritesEverySettingAndTheCaptionsAndClearsTheLog)
{
    writeFile(folder / "Left.ini", "Old caption\r\n");
    writeSettings();
    log.append(LogCategory::Associations, "before OK");
    open();
    field("AETName").setText(" Mixed Case ");
    field("Port").setText(" 4011.5 "); // converted as typed text: halves round to even
    field("Emulation").setText("AGFA");
    printers().setCurrentIndex(1);
    lutBox().setChecked(true);
    field("txtImagePath").setText("/logos/clinic.png");
    caption("HeaderLeft").clear();
    caption("HeaderRight").setPlainText("Clinic\nRadiology");
    ok();

    const Settings expected{" Mixed Case ", 4012, "AGFA", "Office", "Tahoma", 10, 1, "/logos/clinic.png"};
    EXPECT_EQ(configuration.settings, expected);
    Settings fromFile;
    ReadSettings(fromFile);
    Settings reread = expected;
    reread.AETName = "Mixed Case"; // blanks around a value do not survive the file
    EXPECT_EQ(fromFile, reread) << settingsFile();
    EXPECT_FALSE(std::filesystem::exists(folder / "Left.ini"));
    EXPECT_EQ(readFile(folder / "Right.ini"), "Clinic\r\nRadiology\r\n");
    EXPECT_EQ(configuration.headerLeft, HeaderLines{});
    EXPECT_EQ(configuration.headerRight, (HeaderLines{"Clinic", "Radiology"}));
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
        configuration.settings.LUT = lutCase.before;
        open();
        if (lutCase.toggle)
            lutBox().setChecked(!lutBox().isChecked());
        ok();
        EXPECT_EQ(configuration.settings.LUT, lutCase.after) << "from " << lutCase.before;
    }
}

TEST_F(PreferencesTest, CancelStoresNothingButAChosenFontIsInEffect)
{
    const std::string before = settingsFile();
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPointSizeF(12.5);
    chosen.setBold(true);
    dialogs.fontAnswer = chosen;
    open();
    field("AETName").setText("CHANGED");
    caption("HeaderLeft").setPlainText("Unsaved");
    button("cmdFont").click();
    cancel();

    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(configuration.settings.AETName, "WARD3");
    EXPECT_EQ(settingsFile(), before);
    EXPECT_FALSE(std::filesystem::exists(folder / "Left.ini"));
    ASSERT_TRUE(dialogs.fontAsked);
    EXPECT_EQ(dialogs.fontAsked->family(), "Tahoma");
    EXPECT_EQ(dialogs.fontAsked->pointSize(), 10);
    EXPECT_EQ(configuration.settings.Fontname, "DejaVu Serif");
    EXPECT_EQ(configuration.settings.Fontsize, 12) << "halves round to even";
    EXPECT_EQ(field("txtFont").text(), "DejaVu Serif, 12");
    // The style flags preset the dialog next time; a cancelled font dialog changes nothing.
    dialogs.fontAnswer.reset();
    button("cmdFont").click();
    EXPECT_TRUE(dialogs.fontAsked->bold());
    EXPECT_EQ(configuration.settings.Fontname, "DejaVu Serif");
}

TEST_F(PreferencesTest, LogoButtonTakesTheChosenFile)
{
    open();
    field("txtImagePath").setText("/old/logo.png");
    button("cmdOpen").click();
    EXPECT_EQ(dialogs.filterAsked, "All Files (*.*)");
    EXPECT_EQ(field("txtImagePath").text(), "/old/logo.png");
    dialogs.fileAnswer = "/new/logo.bmp";
    button("cmdOpen").click();
    EXPECT_EQ(field("txtImagePath").text(), "/new/logo.bmp");
}

TEST_F(PreferencesTest, NeitherEscapeNorEnterAnswersTheDialog)
{
    open();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    field("AETName").setFocus();
    QTest::keyClick(&field("AETName"), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
}

} // namespace
} // namespace kestrova::test
