#include "printing/film_file.h"

#include "printing/film_folder.h"
#include "printing/pdf_images.h"
#include "printing/printer_output.h"

#include "core/errors.h"

#include <QDateTime>
#include <QFile>
#include <QPdfWriter>

#include <memory>

namespace kestrova {
namespace {

// Of the layout Qt writes: the page's positions come out alike whatever the printer's own
// resolution, which only decides how many pixels a resampled picture gets.
constexpr int LayoutResolution = 600;

// A landscape sheet is the portrait paper turned a quarter: its left margin is the paper's bottom.
QMarginsF orientedMargins(const QMarginsF& portrait, Orientation orientation)
{
    if (orientation == Orientation::Portrait)
        return portrait;
    return QMarginsF(portrait.bottom(), portrait.left(), portrait.top(), portrait.right());
}

// QPdfWriter, not QPrinter: a QPrinter asks the printing system for its default printer first,
// which costs a round trip to the scheduler per page and waits on a scheduler that hangs.
std::unique_ptr<QPdfWriter> makePdfWriter(const PageFormat& format, const QString& fileName = {})
{
    auto writer = std::make_unique<QPdfWriter>(fileName);
    writer->setResolution(LayoutResolution);
    writer->setPageLayout(QPageLayout(QPageSize(QSizeF(format.paper.widthMm, format.paper.heightMm), QPageSize::Millimeter),
                                      qtOrientation(format.orientation),
                                      orientedMargins(format.marginsMm, format.orientation), QPageLayout::Millimeter));
    writer->setTitle(QString::fromUtf8(DocumentTitle));
    writer->setCreator(QString::fromUtf8(DocumentCreator));
    return writer;
}

} // namespace

PrinterMetrics pageFileMetrics(const PageFormat& format, const QFont& font)
{
    return printerMetrics(*makePdfWriter(format), font);
}

std::string filmPdf(const PageFormat& format, const PageContent& page, int sheets, const std::string& printerName)
{
    // What Qt writes: the page with its pictures' stand-ins.
    const FilmWorkFile layout;
    paintPages(*makePdfWriter(format, QString::fromStdString(layout.path().string())), page, sheets, printerName);
    return filmWithImages(layout.path(), page.compressedImages());
}

std::filesystem::path keepFilm(const std::string& bytes)
{
    FilmWorkFile film;
    film.write(bytes);
    return film.keepAsFilm(QDateTime::currentDateTime());
}

std::string readFilmFile(const std::filesystem::path& film)
{
    QFile file(QString::fromStdString(film.string()));
    if (!file.open(QIODevice::ReadOnly))
        raise(ErrorCode::PathFileAccess, "The film " + film.string() + " cannot be read: " + file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        raise(ErrorCode::PathFileAccess, "The film " + film.string() + " cannot be read: " + file.errorString().toStdString());
    return bytes.toStdString();
}

} // namespace kestrova
