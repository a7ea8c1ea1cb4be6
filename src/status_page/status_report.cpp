#include "status_page/status_report.h"

#include "print_service/printer_status.h"

#include <QJsonArray>

#include <algorithm>

namespace kestrova {
namespace {

QString text(const std::string& local) { return QString::fromLocal8Bit(local); }
QString escaped(const std::string& local) { return text(local).toHtmlEscaped(); }

std::string stateText(const std::optional<DicomPrinterStatus>& status)
{
    return status ? statusText(*status) : std::string("not asked yet");
}

QString row(const QStringList& escapedCells)
{
    return QStringLiteral("<tr><td>") + escapedCells.join(QStringLiteral("</td><td>")) + QStringLiteral("</td></tr>\n");
}

QString table(const QString& caption, const QStringList& headings, const QString& rows, const char* none)
{
    if (rows.isEmpty())
        return QStringLiteral("<h2>%1</h2>\n<p>%2</p>\n").arg(caption, QString::fromLatin1(none));
    return QStringLiteral("<h2>%1</h2>\n<div><table><tr><th>%2</th></tr>\n%3</table></div>\n")
        .arg(caption, headings.join(QStringLiteral("</th><th>")), rows);
}

QString printersTable(const StatusSnapshot& report)
{
    QString rows;
    for (std::size_t i = 0; i < report.printers.size(); ++i) {
        const ServedPrinter& printer = report.printers[i];
        rows += row({escaped(printer.aeTitle) + (i == 0 ? QStringLiteral(" (any other)") : QString()),
                     escaped(printer.printer), escaped(printer.emulation), escaped(stateText(printer.status))});
    }
    return table(QStringLiteral("Printers"), {"AE title", "Printer", "Emulation", "State"}, rows, "");
}

QString associationsTable(const StatusSnapshot& report)
{
    QString rows;
    for (const OpenAssociation& open : report.associations)
        rows += row({escaped(timeText(open.since)), escaped(open.callingAeTitle), escaped(open.calledAeTitle),
                     escaped(open.peerHost)});
    return table(QStringLiteral("Associations open now"), {"Since", "Calling AE title", "Called AE title", "Host"}, rows,
                 "None.");
}

QString filmsTable(const StatusSnapshot& report)
{
    QString rows;
    for (const FilmRecord& film : report.films) {
        const std::string link = filmLink(film);
        const QString outcome = link.empty() ? escaped(outcomeText(film))
                                             : QStringLiteral("<a href=\"%1\">%2</a>").arg(escaped(link), escaped(outcomeText(film)));
        rows += row({escaped(timeText(film.printed)), escaped(film.callingAeTitle), escaped(film.printer),
                     QString::number(sheetsOf(film)), outcome});
    }
    return table(QStringLiteral("Recent films"), {"Time", "Calling AE title", "Printer", "Pages", "Outcome"}, rows,
                 "None since the start.");
}

QString listeningText(const StatusSnapshot& report)
{
    if (!report.listening)
        return QStringLiteral("Not listening (port %1).").arg(report.port);
    QString said = QStringLiteral("Listening on port %1").arg(report.port);
    if (report.tlsPort)
        said += QStringLiteral(", and for DICOM over TLS on port %1").arg(report.tlsPort);
    return said + QLatin1Char('.');
}

constexpr const char* PageStyle =
    "body{font-family:sans-serif;margin:0.8em;font-size:14px}"
    "h1{font-size:1.3em}h2{font-size:1.1em;margin-top:1.2em}"
    "div{overflow-x:auto}table{border-collapse:collapse}"
    "td,th{border-bottom:1px solid #ccc;padding:0.3em 0.4em;text-align:left;vertical-align:top;overflow-wrap:break-word}"
    "th{background:#eee}";

QJsonObject printerJson(const ServedPrinter& printer, bool main)
{
    return {{"aeTitle", text(printer.aeTitle)},
            {"main", main},
            {"printer", text(printer.printer)},
            {"emulation", text(printer.emulation)},
            {"status", printer.status ? text(printer.status->status) : QString()},
            {"statusInfo", printer.status ? text(printer.status->info) : QString()}};
}

QJsonObject associationJson(const OpenAssociation& open)
{
    return {{"since", text(timeText(open.since))},
            {"callingAeTitle", text(open.callingAeTitle)},
            {"calledAeTitle", text(open.calledAeTitle)},
            {"peerHost", text(open.peerHost)}};
}

QJsonObject filmJson(const FilmRecord& film)
{
    return {{"time", text(timeText(film.printed))},
            {"callingAeTitle", text(film.callingAeTitle)},
            {"printer", text(film.printer)},
            {"pages", sheetsOf(film)},
            {"outcome", text(outcomeText(film))},
            {"file", text(filmLink(film))}};
}

} // namespace

StatusSnapshot takeStatusSnapshot(PrintService& service, const Configuration& configuration)
{
    StatusSnapshot report{VersionText(), service.isListening(), configuration.settings.Port,
                        service.listener().tlsPort(), service.servedPrinters(), service.openAssociations(),
                        service.films()};
    std::reverse(report.films.begin(), report.films.end());
    if (report.films.size() > ReportedFilms)
        report.films.resize(ReportedFilms);
    return report;
}

std::string filmLink(const FilmRecord& film)
{
    return film.film.file.empty() ? std::string() : "films/" + film.film.file.filename().string();
}

QByteArray statusHtml(const StatusSnapshot& report)
{
    const QString page = QStringLiteral(
                             "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                             "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                             "<meta http-equiv=\"refresh\" content=\"10\">\n"
                             "<title>Kestrova status</title><style>%1</style></head>\n<body>\n"
                             "<h1>Kestrova %2</h1>\n<p>%3</p>\n%4%5%6</body></html>\n")
                             .arg(QString::fromLatin1(PageStyle), escaped(report.version), listeningText(report).toHtmlEscaped(),
                                  printersTable(report), associationsTable(report), filmsTable(report));
    return page.toUtf8();
}

QJsonObject statusJson(const StatusSnapshot& report)
{
    QJsonArray printers, associations, films;
    for (std::size_t i = 0; i < report.printers.size(); ++i)
        printers.append(printerJson(report.printers[i], i == 0));
    for (const OpenAssociation& open : report.associations)
        associations.append(associationJson(open));
    for (const FilmRecord& film : report.films)
        films.append(filmJson(film));
    return {{"product", text(ProductName)},   {"version", text(report.version)},
            {"listening", report.listening}, {"port", report.port},
            {"tlsPort", report.tlsPort},     {"printers", printers},
            {"associations", associations},  {"films", films}};
}

} // namespace kestrova
