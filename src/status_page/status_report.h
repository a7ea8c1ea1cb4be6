#pragma once
// What the status page shows, taken from the running service at one moment, and the two forms it
// takes: an HTML page for a person (a phone's screen will do) and JSON for monitoring. Every text
// a peer or the settings gave is escaped where it goes in.

#include "core/configuration.h"
#include "print_service/film_records.h"
#include "print_service/print_service.h"

#include <QByteArray>
#include <QJsonObject>

#include <string>
#include <vector>

namespace kestrova {

struct StatusSnapshot {
    std::string version;
    bool listening = false;
    int port = 0;
    int tlsPort = 0; // 0: none
    std::vector<ServedPrinter> printers;
    std::vector<OpenAssociation> associations;
    std::vector<FilmRecord> films; // newest first
};

// The page lists this many films at most.
inline constexpr std::size_t ReportedFilms = 50;

StatusSnapshot takeStatusSnapshot(PrintService& service, const Configuration& configuration);

// Where the page links a film's PDF: "films/" and the file's name; empty for a film without one.
std::string filmLink(const FilmRecord& film);

QByteArray statusHtml(const StatusSnapshot& report);
QJsonObject statusJson(const StatusSnapshot& report);

} // namespace kestrova
