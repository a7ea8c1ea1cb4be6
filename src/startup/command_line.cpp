#include "startup/command_line.h"

#include "core/configuration.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace kestrova {
namespace {

QString descriptionOf(ProgramRole role)
{
    return role == ProgramRole::Tray
               ? QStringLiteral("Kestrova DICOM print server: the tray program.")
               : QStringLiteral("Kestrova DICOM print server: the headless service (no window, no tray).");
}

} // namespace

void setApplicationIdentity()
{
    QCoreApplication::setApplicationName(QString::fromStdString(ProductName));
    QCoreApplication::setApplicationVersion(QString::fromStdString(VersionText()).mid(1));
}

CommandLine readCommandLine(ProgramRole role, const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(descriptionOf(role));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption folderOption(QStringLiteral("folder"),
                                          QStringLiteral("Keep settings, logs and films in <dir>."),
                                          QStringLiteral("dir"));
    parser.addOption(folderOption);
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Listen on <port> instead of the port in Kestrova.ini."),
                                        QStringLiteral("port"));
    if (role == ProgramRole::Service)
        parser.addOption(portOption);
    parser.process(arguments);

    CommandLine line;
    if (!parser.positionalArguments().isEmpty())
        line.error = "unexpected argument: " + parser.positionalArguments().first().toStdString();
    if (parser.isSet(folderOption)) {
        const QString folder = parser.value(folderOption);
        if (folder.isEmpty())
            line.error = "--folder needs a folder";
        line.folder = std::filesystem::path(folder.toStdString());
    }
    if (role == ProgramRole::Service && parser.isSet(portOption)) {
        bool isNumber = false;
        const int port = parser.value(portOption).toInt(&isNumber);
        if (!isNumber || port < 1 || port > 65535)
            line.error = "--port needs a port number from 1 to 65535";
        line.port = port;
    }
    return line;
}

} // namespace kestrova
