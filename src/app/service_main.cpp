// kestrova-service: the print service without a window or tray, for print servers without a
// screen. Same service core, settings files, error log, films folder and prune timer as the
// tray program; it runs until SIGTERM or SIGINT.

#include "core/configuration.h"
#include "core/program_folder.h"
#include "startup/print_server.h"
#include "startup/startup_sequence.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

// The port cannot be opened (sysexits' EX_UNAVAILABLE): the systemd unit does not restart the
// service for it, since a port that stays taken would only fail again.
constexpr int PortUnavailable = 69;

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

void say(const std::string& text)
{
    std::printf("kestrova-service: %s\n", text.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    // Printing and pictures need a Qt GUI application, never a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const kestrova::ProgramStart start = kestrova::startProgram(kestrova::ProgramRole::Service, "kestrova-service");
    if (start.exitStatus)
        return *start.exitStatus;
    const kestrova::CommandLine& commandLine = start.commandLine;
    say("program folder " + kestrova::ProgramFolder().string());

    kestrova::Configuration configuration;
    const kestrova::InstalledPrinters printers;
    kestrova::PrintServer server(configuration, printers);
    bool failed = false;
    QObject::connect(&server.service, &kestrova::PrintService::listenFailed, [&failed](int port) {
        std::fprintf(stderr, "kestrova-service: unable to listen on port %d\n", port);
        failed = true;
    });
    kestrova::StartUp(configuration, [&] {
        if (commandLine.port)
            configuration.settings.Port = *commandLine.port;
        server.service.restart();
    });
    if (failed)
        return PortUnavailable;
    // Before the line a watcher waits for, so that the reason is there when it reads on.
    if (const std::string& problem = server.service.listener().tlsProblem(); !problem.empty())
        std::fprintf(stderr, "kestrova-service: cannot listen for DICOM over TLS on port %d: %s\n",
                     configuration.tls.Port, problem.c_str());
    // Before the line a watcher waits for, as the TLS problem is.
    server.statusPage.start(configuration.statusPage);
    if (const quint16 statusPort = server.statusPage.port())
        say("status page on http://" + configuration.statusPage.Address + ":" + std::to_string(statusPort) + "/");
    const int tlsPort = server.service.listener().tlsPort();
    say("listening on port " + std::to_string(configuration.settings.Port)
        + (tlsPort ? " and, for DICOM over TLS, on port " + std::to_string(tlsPort) : std::string())
        + ", printing on \"" + printers.defaultPrinter() + "\"");
    const auto signalNotifier = quitOnSignals();
    const int result = QApplication::exec();
    server.service.stopListening();
    return result;
}
