#pragma once
// Where every film's page file is kept: films/ in the program folder, one file per film, named
// Film-YYYYMMDD-HHMMSS-NNN.pdf (the time it was written and a counter, nothing a peer sent). A film file is whole or absent: it is
// written under a work name in the same folder, flushed to the disk, and only then given its
// film name, never replacing another film. A crash, a kill or a full disk leaves at most a work
// file, which the next start removes.

#include "printing/printer_device.h"

#include <QDateTime>
#include <QString>
#include <QTemporaryFile>

#include <filesystem>
#include <string>

namespace kestrova {

std::filesystem::path filmFolder();

QString filmFileName(const QDateTime& stamp, int counter);

// A file in films/ for the work of one film, removed when it goes unless kept as a film.
class FilmWorkFile {
public:
    // Creates films/ when missing; raises PathFileAccess when it cannot be written.
    FilmWorkFile();
    std::filesystem::path path() const;

    // Writes the bytes as the whole file and flushes them to the disk. Raises PathFileAccess,
    // with the reason (a full disk, for one), when any of it fails.
    void write(const std::string& bytes);
    // Gives the file the first free film name of the stamp, never replacing a film; the work
    // name then goes. Raises PathFileAccess, with the reason, when it cannot.
    std::filesystem::path keepAsFilm(const QDateTime& stamp);

private:
    QTemporaryFile file_;
};

// Removes the work files a crash or a kill left in films/; films are left alone.
void removeLeftoverWorkFiles();

// Whether films can be kept now: films/ (made when missing) can be written, not accepting jobs
// otherwise, and its disk has FilmRoomBytes free, "spool-area-full" otherwise.
PrinterState filmFolderState();
inline constexpr std::uintmax_t FilmRoomBytes = std::uintmax_t{100} << 20;

} // namespace kestrova
