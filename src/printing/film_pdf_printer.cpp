#include "printing/film_pdf_printer.h"

#include "printing/film_file.h"
#include "printing/film_folder.h"
#include "printing/film_sizes.h"

namespace kestrova {
namespace {

constexpr int FilmResolution = 600;
constexpr double FilmMarginMm = 6.35; // a quarter inch

PageFormat filmFormat(const PageSetup& setup)
{
    return PageFormat{setup.paper.value_or(A4Paper), QMarginsF(FilmMarginMm, FilmMarginMm, FilmMarginMm, FilmMarginMm),
                      setup.orientation};
}

PaperSize largestFilm()
{
    std::vector<PaperSize> papers;
    for (const auto& [id, paper] : filmSizePapers())
        papers.push_back(paper);
    return largestOf(papers);
}

} // namespace

PrinterCapabilities FilmPdfPrinter::capabilities() const
{
    static const PaperSize largest = largestFilm();
    return PrinterCapabilities{filmSizePapers(), A4Paper, true, FilmResolution, largest};
}

PrinterMetrics FilmPdfPrinter::metrics(const PageSetup& setup, const QFont& font) const
{
    return pageFileMetrics(filmFormat(setup), font);
}

PrintedFilm FilmPdfPrinter::print(const PageSetup& setup, const PagePaint& paint)
{
    PageContent page(PageContent::PictureForm::StandIns);
    paint(page);
    const std::filesystem::path film = keepFilm(filmPdf(filmFormat(setup), page, setup.copies, BuiltInPdfPrinterName));
    return PrintedFilm{film, setup.copies, PageSetup{setup.paper, setup.orientation, 1}, nullptr};
}

PrintedFilm FilmPdfPrinter::reprint(const PrintedFilm& film)
{
    return PrintedFilm{keepFilm(readFilmFile(film.file)), film.pages, film.setup, nullptr};
}

PrinterState FilmPdfPrinter::state() const { return filmFolderState(); }

} // namespace kestrova
