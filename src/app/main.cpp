// kestrova: the DICOM print server's desktop program. Start-up only; the program then
// lives in its window and tray icon.

#include "printing/printer_catalogue.h"
#include "startup/print_server.h"
#include "startup/startup_sequence.h"
#include "ui/main_window.h"
#include "ui/startup.h"

#include <QApplication>
#include <QMessageBox>


namespace {

// Started from the menu there is no terminal to read, so a window says it too.
void showFolderProblem(const std::string& problem)
{
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
    if (const auto start = kestrova::startProgram(kestrova::ProgramRole::Tray, "kestrova", showFolderProblem);
        start.exitStatus)
        return *start.exitStatus;

    kestrova::Configuration configuration;
    const kestrova::InstalledPrinters printers;
    kestrova::PrintServer server(configuration, printers);
    const std::unique_ptr<kestrova::MainWindow> window = kestrova::Main(server);
    if (!window)
        return 0;
    return QApplication::exec();
}
