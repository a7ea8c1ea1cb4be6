#include "printing/film_pdf_printer.h"

#include "printing/film_folder.h"
#include "printing/page_content.h"
#include "printing/pdf_images.h"
#include "printing/printer_output.h"

#include <QDateTime>
#include <QPrinter>

#include <memory>

namespace kestrova {
namespace {

constexpr int FilmResolution = 600;
constexpr double FilmMarginMm = 6.35; // a quarter inch
constexpr PaperSize A4{210.0, 297.0};

// Film Size ID's defined terms; DICOM notes 10INX14IN as 25.7 x 36.4 cm.
const std::map<std::string, PaperSize>& filmPapers()
{
    static const std::map<std::string, PaperSize> papers{
        {"8INX10IN", {203.2, 254.0}},  {"8_5INX11IN", {215.9, 279.4}}, {"10INX12IN", {254.0, 304.8}},
        {"10INX14IN", {257.0, 364.0}}, {"11INX14IN", {279.4, 355.6}},  {"11INX17IN", {279.4, 431.8}},
        {"14INX14IN", {355.6, 355.6}}, {"14INX17IN", {355.6, 431.8}},  {"24CMX24CM", {240.0, 240.0}},
        {"24CMX30CM", {240.0, 300.0}}, {"A4", A4},                     {"A3", {297.0, 420.0}},
    };
    return papers;
}

std::unique_ptr<QPrinter> makeFilmPrinter(const PageSetup& setup)
{
    const PaperSize paper = setup.paper.value_or(A4);
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setResolution(FilmResolution);
    printer->setPageLayout(QPageLayout(QPageSize(QSizeF(paper.widthMm, paper.heightMm), QPageSize::Millimeter),
                                       qtOrientation(setup.orientation),
                                       QMarginsF(FilmMarginMm, FilmMarginMm, FilmMarginMm, FilmMarginMm),
                                       QPageLayout::Millimeter));
    nameDocument(*printer);
    return printer;
}

PaperSize largestFilm()
{
    std::vector<PaperSize> papers;
    for (const auto& [id, paper] : filmPapers())
        papers.push_back(paper);
    return largestOf(papers);
}

} // namespace

PrinterCapabilities FilmPdfPrinter::capabilities() const
{
    static const PaperSize largest = largestFilm();
    return PrinterCapabilities{filmPapers(), A4, true, FilmResolution, largest};
}

PrinterMetrics FilmPdfPrinter::metrics(const PageSetup& setup, const QFont& font) const
{
    return printerMetrics(*makeFilmPrinter(setup), font);
}

void FilmPdfPrinter::print(const PageSetup& setup, const PagePaint& paint)
{
    PageContent page(PageContent::PictureForm::StandIns);
    paint(page);
    // What Qt writes: the page with its pictures' stand-ins.
    const FilmWorkFile layout;
    const std::unique_ptr<QPrinter> printer = makeFilmPrinter(setup);
    printer->setOutputFileName(QString::fromStdString(layout.path().string()));
    paintPages(*printer, page, setup.copies, BuiltInPdfPrinterName);
    FilmWorkFile film;
    film.write(filmWithImages(layout.path(), page.compressedImages(), film.path()));
    film.keepAsFilm(QDateTime::currentDateTime());
}

} // namespace kestrova
