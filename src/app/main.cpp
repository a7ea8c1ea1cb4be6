// kestrova: the DICOM print server's desktop program. Start-up only; the program then
// lives in its window and tray icon.

#include "printing/qt_printer_device.h"
#include "startup/startup_sequence.h"
#include "ui/main_window.h"
#include "ui/startup.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {

// Started from the menu there is no terminal to read, so a window says it too.
void reportFolderProblem(const std::string& problem)
{
    std::fprintf(stderr, "kestrova: %s\n", problem.c_str());
    if (QGuiApplication::platformName() != QStringLiteral("offscreen"))
        QMessageBox::critical(nullptr, QStringLiteral("Kestrova"), QString::fromStdString(problem));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The window hides into the tray and dialogs come and go; the program ends only by
    // Exit or by closing the main window.
    QApplication::setQuitOnLastWindowClosed(false);
    kestrova::setApplicationIdentity();
    const kestrova::CommandLine commandLine =
        kestrova::readCommandLine(kestrova::ProgramRole::Tray, QCoreApplication::arguments());
    if (!commandLine.error.empty()) {
        std::fprintf(stderr, "kestrova: %s (see --help)\n", commandLine.error.c_str());
        return 2;
    }
    if (const std::string problem = kestrova::UseProgramFolder(kestrova::ProgramRole::Tray, commandLine);
        !problem.empty()) {
        reportFolderProblem(problem);
        return 1;
    }

    kestrova::Configuration configuration;
    kestrova::QtPrinterDevice printer;
    const std::unique_ptr<kestrova::MainWindow> window = kestrova::Main(configuration, printer);
    if (!window)
        return 0;
    return QApplication::exec();
}
