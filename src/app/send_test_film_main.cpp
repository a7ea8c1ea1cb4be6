// kestrova-send-test-film: a small print SCU for checking an installation or any DICOM
// printer. Sends the built-in test pattern, or the given images, as one film and prints the
// status of every response.

#include "startup/command_line.h"
#include "test_film/test_film.h"
#include "images/image_file.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <variant>

namespace {

struct Arguments {
    std::string host;
    int port = 0;
    kestrova::FilmRequest film;
};

// Fills args from the command line; returns what is wrong, empty when all is well.
std::string readArguments(const QCoreApplication& app, Arguments& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sends one film to a DICOM printer: the built-in 2 x 2 test pattern, or the given images."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption called(QStringLiteral("called"), QStringLiteral("Called AE title (default KESTROVA)."),
                                    QStringLiteral("AE"), QStringLiteral("KESTROVA"));
    const QCommandLineOption calling(QStringLiteral("calling"),
                                     QStringLiteral("Calling AE title, this sender's (default TESTSCU)."),
                                     QStringLiteral("AE"), QString::fromStdString(kestrova::FilmRequest{}.callingAeTitle));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("Image Display Format, for example STANDARD\\2,2 (default: the "
                                                   "smallest grid for the images)."),
                                    QStringLiteral("FORMAT"));
    const QCommandLineOption tls(QStringLiteral("tls"), QStringLiteral("Use DICOM over TLS (BCP 195 profile); the "
                                                                       "printer's certificate is checked."));
    const QCommandLineOption trusted(QStringLiteral("trusted-certificates"),
                                     QStringLiteral("With --tls: PEM file, or folder of them, that the printer's "
                                                    "certificate must be signed by."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption certificate(QStringLiteral("certificate"),
                                         QStringLiteral("With --tls: this sender's certificate (PEM), for a printer "
                                                        "that asks for one."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption key(QStringLiteral("private-key"),
                                 QStringLiteral("With --tls: the unencrypted private key (PEM) of --certificate."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption stepWedge(
        QStringLiteral("step-wedge"),
        QStringLiteral("Print a step wedge of 18 steps instead, drive levels 0 (black) to 255 in 15s, left to right, "
                       "to measure the printer's densities for its calibration file."));
    parser.addOptions({called, calling, format, tls, trusted, certificate, key, stepWedge});
    parser.addPositionalArgument(QStringLiteral("HOST"), QStringLiteral("The printer's host name or address."));
    parser.addPositionalArgument(QStringLiteral("PORT"), QStringLiteral("The printer's port."));
    parser.addPositionalArgument(QStringLiteral("IMAGE.dcm"), QStringLiteral("Images to print, one per image box."),
                                 QStringLiteral("[IMAGE.dcm ...]"));
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() < 2)
        return "HOST and PORT are needed";
    args.host = positional[0].toStdString();
    bool isNumber = false;
    args.port = positional[1].toInt(&isNumber);
    if (!isNumber || args.port < 1 || args.port > 65535)
        return "PORT must be a number from 1 to 65535";
    if (parser.isSet(tls)) {
        if (!parser.isSet(trusted))
            return "--tls needs --trusted-certificates";
        if (parser.isSet(certificate) != parser.isSet(key))
            return "--certificate and --private-key go together";
        args.film.tls = kestrova::ScuTls{parser.value(trusted).toStdString(), parser.value(certificate).toStdString(),
                                         parser.value(key).toStdString()};
    } else if (parser.isSet(trusted) || parser.isSet(certificate) || parser.isSet(key)) {
        return "--trusted-certificates, --certificate and --private-key need --tls";
    }
    args.film.calledAeTitle = parser.value(called).toStdString();
    args.film.callingAeTitle = parser.value(calling).toStdString();
    args.film.format = parser.value(format).toStdString();
    if (parser.isSet(stepWedge)) {
        if (positional.size() > 2)
            return "--step-wedge takes no images";
        args.film.images.push_back(kestrova::stepWedge());
    }
    for (qsizetype index = 2; index < positional.size(); ++index) {
        auto image = kestrova::readPrintableImage(positional[index].toStdString());
        if (const auto* problem = std::get_if<std::string>(&image))
            return *problem;
        args.film.images.push_back(std::get<kestrova::DataSetPtr>(image));
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    kestrova::setApplicationIdentity();
    QCoreApplication::setApplicationName(QStringLiteral("kestrova-send-test-film"));
    Arguments args;
    if (const std::string problem = readArguments(app, args); !problem.empty()) {
        std::fprintf(stderr, "kestrova-send-test-film: %s (see --help)\n", problem.c_str());
        return 2;
    }
    const auto printStatus = [](const std::string& request, std::uint16_t status) {
        std::printf("%s: status 0x%04X%s\n", request.c_str(), status, status == 0 ? " (success)" : "");
        std::fflush(stdout);
    };
    const kestrova::TestFilmResult result = kestrova::sendTestFilm(args.host, args.port, args.film, printStatus);
    if (!result.printed) {
        std::fprintf(stderr, "kestrova-send-test-film: %s\n", result.failure.c_str());
        return 1;
    }
    std::printf("kestrova-send-test-film: film printed\n");
    return 0;
}
