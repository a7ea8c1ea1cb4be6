#include "qt_printer_device.h"

#include "printing/film_folder.h"
#include "printing/page_content.h"
#include "printing/page_units.h"
#include "printing/pdf_images.h"
#include "printing/picture_file.h"
#include "printing/resampling.h"

#include "core/errors.h"
#include "core/rounding.h"

#include <QDir>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <optional>

namespace kestrova {
namespace {

constexpr int FilmResolution = 600;
constexpr double FilmMarginMm = 6.35; // a quarter inch
constexpr float TwipsPerPoint = 20.0F;
const QString DocumentName = QStringLiteral("Kestrova film");

QString toQt(const std::string& text) { return QString::fromLocal8Bit(text); }

QPageLayout::Orientation qtOrientation(Orientation orientation)
{
    return orientation == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

[[noreturn]] void raisePrinterUnusable(const std::string& printer, const std::string& reason)
{
    raise(ErrorCode::PathFileAccess, "Printer \"" + printer + "\" cannot be used: " + reason);
}

std::unique_ptr<QPrinter> makeFilmPrinter(Orientation orientation, const QPageSize& paper)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setResolution(FilmResolution);
    printer->setPageLayout(QPageLayout(paper, qtOrientation(orientation),
                                       QMarginsF(FilmMarginMm, FilmMarginMm, FilmMarginMm, FilmMarginMm),
                                       QPageLayout::Millimeter));
    return printer;
}

// QPrinter quietly falls back to the default queue, or to a PDF writer without a file,
// when the queue it was given is gone; that must be an error, not a page printed elsewhere
// or lost.
std::unique_ptr<QPrinter> makeSystemPrinter(const std::string& name, Orientation orientation)
{
    auto printer = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(toQt(name)), QPrinter::HighResolution);
    if (printer->outputFormat() != QPrinter::NativeFormat || !printer->isValid() || printer->printerName() != toQt(name))
        raisePrinterUnusable(name, "the printing system does not offer it");
    printer->setPageOrientation(qtOrientation(orientation));
    return printer;
}

// A picture with more pixels than the printer can put where it goes is reduced to what the
// printer can: the page then carries, and Qt's PDF engine widens and compresses, only what
// prints. A 4096 x 4096 image in a quarter of an A4 page at 600 dpi holds three times that.
QImage reducedToPrinterResolution(const QImage& image, double widthTwips, double heightTwips, int dotsPerInch)
{
    const QSize pixels = printerPixels(widthTwips, heightTwips, dotsPerInch);
    if (image.width() <= pixels.width() || image.height() <= pixels.height())
        return image;
    return resampledForPrinter(image, widthTwips, heightTwips, dotsPerInch, Resampling::Smooth);
}

} // namespace

struct QtPrinterDevice::Document {
    std::string printerName;
    std::unique_ptr<QPrinter> printer;
    std::optional<ReservedFilmFile> film;
    // What Qt writes of a film: the page with its images' stand-ins.
    QTemporaryFile filmLayout{QDir::tempPath() + QStringLiteral("/kestrova-film-XXXXXX.pdf")};
    PageContent page;
};

QtPrinterDevice::QtPrinterDevice()
{
    font_.setPixelSize(roundHalfEven<int>(10 * TwipsPerPoint));
    selected_ = BuiltInPdfPrinterName;
    setup_ = makePrinter();
    const auto system = QPrinterInfo::defaultPrinter();
    if (system.isNull())
        return;
    // A default queue that Qt cannot set up leaves the built-in printer selected rather
    // than a program that cannot start.
    try {
        selectPrinter(system.printerName().toLocal8Bit().toStdString());
    } catch (const AppError&) {
    }
}

QtPrinterDevice::QtPrinterDevice(JobKey, const QtPrinterDevice& shared)
    : selected_(shared.selected_),
      copies_(shared.copies_),
      orientation_(shared.orientation_),
      font_(shared.font_),
      filmPaper_(shared.filmPaper_)
{
}

QtPrinterDevice::~QtPrinterDevice() = default;

std::unique_ptr<PrinterDevice> QtPrinterDevice::deviceForJob() const
{
    return std::make_unique<QtPrinterDevice>(JobKey{}, *this);
}

QPrinter& QtPrinterDevice::setup() const
{
    if (!setup_)
        setup_ = makePrinter();
    return *setup_;
}

std::vector<std::string> QtPrinterDevice::printerNames() const
{
    std::vector<std::string> names;
    for (const auto& info : QPrinterInfo::availablePrinters())
        names.push_back(info.printerName().toLocal8Bit().toStdString());
    names.emplace_back(BuiltInPdfPrinterName);
    return names;
}

std::string QtPrinterDevice::selectedPrinter() const { return selected_; }

void QtPrinterDevice::selectPrinter(const std::string& deviceName)
{
    const auto names = printerNames();
    if (std::find(names.begin(), names.end(), deviceName) == names.end())
        raise(ErrorCode::InvalidArgument, "No printer named \"" + deviceName + "\"");
    if (deviceName == selected_)
        return;
    const auto previous = selected_;
    selected_ = deviceName;
    try {
        setup_ = makePrinter();
    } catch (...) {
        selected_ = previous;
        throw;
    }
}

bool QtPrinterDevice::builtInSelected() const { return selected_ == BuiltInPdfPrinterName; }

std::unique_ptr<QPrinter> QtPrinterDevice::makePrinter() const
{
    auto printer = builtInSelected() ? makeFilmPrinter(orientation_, filmPaper_) : makeSystemPrinter(selected_, orientation_);
    printer->setDocName(DocumentName);
    printer->setCreator(QStringLiteral("Kestrova"));
    return printer;
}

void QtPrinterDevice::setCopies(std::int16_t copies) { copies_ = copies; }

void QtPrinterDevice::setOrientation(Orientation orientation)
{
    orientation_ = orientation;
    if (setup_)
        setup_->setPageOrientation(qtOrientation(orientation));
}

void QtPrinterDevice::setPaperSize(double widthMm, double heightMm)
{
    filmPaper_ = QPageSize(QSizeF(widthMm, heightMm), QPageSize::Millimeter);
    if (builtInSelected())
        setup_ = makePrinter();
}

void QtPrinterDevice::setFontName(const std::string& name) { font_.setFamily(toQt(name)); }

void QtPrinterDevice::setFontSize(float points)
{
    // Pixels of this font are twips once the painter is scaled to twips.
    font_.setPixelSize(std::max(1, roundHalfEven<int>(points * TwipsPerPoint)));
}

float QtPrinterDevice::scaleLeft() const { return 0; }
float QtPrinterDevice::scaleTop() const { return 0; }

float QtPrinterDevice::scaleWidth() const
{
    return static_cast<float>(printableSizeTwips(setup().pageLayout()).width());
}

float QtPrinterDevice::scaleHeight() const
{
    return static_cast<float>(printableSizeTwips(setup().pageLayout()).height());
}

int QtPrinterDevice::dotsPerInch() const { return setup().resolution(); }

float QtPrinterDevice::currentX() const { return x_; }
float QtPrinterDevice::currentY() const { return y_; }
void QtPrinterDevice::setCurrentX(float x) { x_ = x; }
void QtPrinterDevice::setCurrentY(float y) { y_ = y; }

QFontMetricsF QtPrinterDevice::fontMetrics() const { return QFontMetricsF(font_, &setup()); }

float QtPrinterDevice::textWidth(const std::string& text) const
{
    return static_cast<float>(fontMetrics().horizontalAdvance(toQt(text)));
}

void QtPrinterDevice::printLine(const std::string& text)
{
    const auto metrics = fontMetrics();
    document().page.addText(QPointF(x_, y_ + metrics.ascent()), font_, toQt(text));
    x_ = 0;
    y_ += static_cast<float>(metrics.height());
}

Picture QtPrinterDevice::loadPicture(const std::filesystem::path& file) const { return loadPictureFile(file); }

void QtPrinterDevice::paintPicture(const Picture& picture, float x, float y, double width, double height)
{
    if (picture.image.isNull())
        raiseAbout(ErrorCode::InvalidPicture, "the picture has no image");
    const QRectF target(x, y, width, height);
    const QImage printed = reducedToPrinterResolution(printableImage(picture.image), width, height, setup().resolution());
    Document& current = document();
    if (current.film)
        current.page.addCompressedImage(target, compressedPixelsFor(picture, printed));
    else
        current.page.addImage(target, printed);
}

void QtPrinterDevice::fillRectangle(float x, float y, double width, double height, std::uint8_t grey)
{
    document().page.addRectangle(QRectF(x, y, width, height), grey);
}

std::unique_ptr<QtPrinterDevice::Document> QtPrinterDevice::openDocument() const
{
    auto opened = std::make_unique<Document>();
    opened->printerName = selected_;
    opened->printer = makePrinter();
    if (builtInSelected()) {
        opened->film.emplace(ReservedFilmFile::reserve(QDateTime::currentDateTime()));
        if (!opened->filmLayout.open())
            raisePrinterUnusable(opened->printerName, "no temporary file: " + opened->filmLayout.errorString().toStdString());
        opened->filmLayout.close();
        opened->printer->setOutputFileName(opened->filmLayout.fileName());
    }
    return opened;
}

QtPrinterDevice::Document& QtPrinterDevice::document()
{
    if (!document_)
        document_ = openDocument();
    return *document_;
}

void QtPrinterDevice::endDocument()
{
    // Whatever happens below, the next output begins a new document.
    const std::unique_ptr<Document> finished = std::move(document_);
    x_ = 0;
    y_ = 0;
    if (finished)
        finishDocument(*finished);
}

void QtPrinterDevice::finishDocument(Document& finished)
{
    QPrinter& printer = *finished.printer;
    if (!finished.film)
        printer.setCopyCount(copies_);
    printer.setColorMode(finished.page.grayscale() ? QPrinter::GrayScale : QPrinter::Color);
    QPainter painter;
    if (!painter.begin(&printer))
        raisePrinterUnusable(finished.printerName, "it cannot be opened for printing");
    const double twip = printer.resolution() / TwipsPerInch;
    painter.scale(twip, twip);
    painter.setRenderHint(QPainter::LosslessImageRendering);
    finished.page.paint(painter);
    // Paper copies are the printer's; a film file holds each copy as a page of its own.
    for (int copy = 2; finished.film && copy <= copies_; ++copy) {
        if (!printer.newPage())
            raisePrinterUnusable(finished.printerName, "no further page could be begun");
        finished.page.paint(painter);
    }
    if (!painter.end())
        raisePrinterUnusable(finished.printerName, "the page could not be sent");
    if (finished.film) {
        writeWithImages(finished.filmLayout.fileName().toStdString(), finished.page.compressedImages(),
                        finished.film->path());
        finished.film->keep();
        lastOutputFile_ = finished.film->path();
    }
}

void QtPrinterDevice::abortDocument()
{
    document_.reset();
    x_ = 0;
    y_ = 0;
}

} // namespace kestrova
