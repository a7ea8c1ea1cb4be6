// kestrova-service: the print service without a window, for end-to-end tests and benchmarks.
//   kestrova-service --port N --folder DIR
// Reads DIR/Kestrova.ini and the caption files like the program does, listens on N (which
// overrides the settings file), prints on the selected printer and runs until SIGTERM/SIGINT.

#include "core/global_settings.h"
#include "core/program_folder.h"
#include "core/settings_files.h"
#include "print_service/print_service.h"
#include "printing/null_preview_surface.h"
#include "printing/qt_printer_device.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = write(signalPipe[1], &byte, 1);
}

// Quits the event loop on SIGTERM or SIGINT, so the service shuts down in order.
std::unique_ptr<QSocketNotifier> quitOnSignals()
{
    if (pipe(signalPipe) != 0)
        return nullptr;
    auto notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &QCoreApplication::quit);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    return notifier;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"port", "Port to listen on.", "port"});
    parser.addOption({"folder", "Program folder (settings, logs, films).", "folder"});
    parser.process(app);
    if (!parser.isSet("port") || !parser.isSet("folder")) {
        std::fprintf(stderr, "usage: kestrova-service --port N --folder DIR\n");
        return 2;
    }

    kestrova::SetProgramFolder(parser.value("folder").toStdString());
    kestrova::ReadSettings();
    kestrova::GlobalSettings.Port = parser.value("port").toInt();
    kestrova::ReadHeader();

    kestrova::QtPrinterDevice printer;
    kestrova::NullPreviewSurface preview;
    kestrova::PrintService service(printer, preview);
    bool failed = false;
    QObject::connect(&service, &kestrova::PrintService::listenFailed, [&failed](int port) {
        std::fprintf(stderr, "kestrova-service: unable to listen on port %d\n", port);
        failed = true;
    });
    service.LoadSettings();
    if (failed)
        return 1;
    std::printf("kestrova-service: listening on port %d, printing on \"%s\"\n", kestrova::GlobalSettings.Port,
                printer.selectedPrinter().c_str());
    std::fflush(stdout);
    const auto signalNotifier = quitOnSignals();
    const int result = QApplication::exec();
    service.stopListening();
    return result;
}
