#pragma once
// Where the built-in printer "Kestrova PDF" puts its films: films/ in the program folder,
// one file per document, named Film-YYYYMMDD-HHMMSS-NNN.pdf.

#include <QDateTime>
#include <QString>

#include <filesystem>

namespace kestrova {

std::filesystem::path filmFolder();

QString filmFileName(const QDateTime& stamp, int counter);

// A film file claimed for one document: created empty at once, so that no other document,
// in this process or another, gets the same name; removed again unless kept.
class ReservedFilmFile {
public:
    // Creates films/ when missing; raises PathFileAccess when it cannot be written.
    static ReservedFilmFile reserve(const QDateTime& stamp);

    ReservedFilmFile(ReservedFilmFile&& other) noexcept;
    ReservedFilmFile& operator=(ReservedFilmFile&&) = delete;
    ReservedFilmFile(const ReservedFilmFile&) = delete;
    ReservedFilmFile& operator=(const ReservedFilmFile&) = delete;
    ~ReservedFilmFile();

    const std::filesystem::path& path() const { return path_; }
    void keep() { kept_ = true; }

private:
    explicit ReservedFilmFile(std::filesystem::path path);

    std::filesystem::path path_;
    bool kept_ = false;
};

} // namespace kestrova
