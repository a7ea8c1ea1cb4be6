#pragma once
// What printing needs of a printer: what it can do, its metrics for a page setup, and one call
// that prints a page. Page values are in twips (1440 per inch), with the origin at the top-left
// of the printable area. Every failure raises an AppError.
//
// Threads: a device is made for one print job and used on that job's thread only; jobs on
// other threads have devices of their own.

#include "picture/picture.h"
#include "picture/picture_pixels.h"

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrova {

enum class Orientation : int { Portrait = 1, Landscape = 2 };

// Portrait width and height.
struct PaperSize {
    double widthMm = 0;
    double heightMm = 0;
    bool operator==(const PaperSize&) const = default;
};

struct PageSetup {
    // The paper of the job; none leaves the printer its own.
    std::optional<PaperSize> paper;
    Orientation orientation = Orientation::Portrait;
    std::int16_t copies = 1;
    bool operator==(const PageSetup&) const = default;
};

// What a printer that names none of its paper sizes is taken to print on at most.
inline constexpr PaperSize A3Paper{297.0, 420.0};
inline constexpr PaperSize A4Paper{210.0, 297.0};

struct PrinterCapabilities {
    // The Film Size IDs a printer that prints each film on paper of the film's size knows,
    // with their paper; a film of another size, or of none, goes on otherFilmSize. Empty for a
    // printer that keeps its own paper whatever the film asks.
    std::map<std::string, PaperSize> filmSizes;
    PaperSize otherFilmSize;
    // Whether Border Density and Empty Image Density are printed.
    bool honoursDensities = false;
    // Of the output: what a picture resampled for this printer is sized to.
    int dotsPerInch = 0;
    // The largest paper it prints on, either way round: the longest of its sides and the longest
    // of its shorter sides.
    PaperSize largestPaper = A3Paper;

    // The paper a film of that size prints on; none where the printer keeps its own.
    std::optional<PaperSize> paperForFilm(const std::string& filmSizeId) const;
    // The most pixels any picture needs on this printer: its largest paper at its resolution.
    PixelBounds largestPicture() const;
};

// The smallest paper holding every one of them either way round; A3Paper for none.
PaperSize largestOf(const std::vector<PaperSize>& papers);

// A font as the printer sets it, in twips, measured when asked: measuring loads the font,
// which costs a few milliseconds that a page without text need not pay.
struct FontMetrics {
    std::function<double()> ascent;
    // From one line's top to the next one's.
    std::function<double()> lineHeight;
    std::function<double(const QString&)> textWidth;
};

struct PrinterMetrics {
    // The printable area of the setup's paper in its orientation.
    QSizeF printableArea;
    FontMetrics font;
};

// Where a page is drawn. Pictures are drawn as they are: their image, or their compressed
// pixels when they hold no image.
class PageCanvas {
public:
    virtual ~PageCanvas() = default;
    virtual void drawText(QPointF baseline, const QFont& font, const QString& text) = 0;
    virtual void drawPicture(const QRectF& target, const Picture& picture) = 0;
    // A grey level from 0 (black) to 255 (white).
    virtual void fillRectangle(const QRectF& area, std::uint8_t grey) = 0;
};

using PagePaint = std::function<void(PageCanvas&)>;

// What the printer says of itself, in the printing system's own terms (IPP's printer-state and
// printer-state-reasons); the print service says it in DICOM's.
struct PrinterState {
    // The printing system still offers the printer.
    bool present = true;
    bool acceptingJobs = true;
    // Takes jobs but prints none until someone starts it again (cupsdisable).
    bool stopped = false;
    // IPP printer-state-reasons keywords, severity suffix included ("media-empty-error"); never "none".
    std::vector<std::string> reasons;
    bool operator==(const PrinterState&) const = default;
};

// Where a job handed to the printing system is. Completed, Canceled and Aborted are final; a job
// the system no longer knows of is Unknown.
enum class JobState { Pending, Printing, Stopped, Completed, Canceled, Aborted, Unknown };

// A job the printing system took and prints in its own time.
class SubmittedJob {
public:
    virtual ~SubmittedJob() = default;
    virtual int id() const = 0;
    // Asks the printing system; Unknown when it cannot say.
    virtual JobState state() const = 0;
};

// A film as a printer printed it: its page file, kept in films/, and the job that prints it.
struct PrintedFilm {
    std::filesystem::path file; // empty for a printer that keeps no page file
    int pages = 0;              // sheets in the file
    // What the file is printed with: its orientation, its paper, and the copies the printer makes
    // of it (1 where the file holds a page per copy).
    PageSetup setup;
    std::shared_ptr<const SubmittedJob> job; // null when the film is done once printed
};

class PrinterDevice {
public:
    virtual ~PrinterDevice() = default;

    virtual PrinterCapabilities capabilities() const = 0;
    virtual PrinterMetrics metrics(const PageSetup& setup, const QFont& font) const = 0;
    // Prints what paint draws as one job of setup.copies copies. Everything is drawn before the
    // printer is opened, so a paint that raises sends nothing; a page with nothing on it is no
    // job either (no empty sheet, no empty film: the film has no file then).
    virtual PrintedFilm print(const PageSetup& setup, const PagePaint& paint) = 0;
    // Prints a kept film again as it is, with its copies. Raises PathFileAccess when the film
    // cannot be read or the printer refuses it, InvalidArgument where the printer cannot take a
    // page file.
    virtual PrintedFilm reprint(const PrintedFilm& film) = 0;
    // Asks the printer now; never raises (a printer that cannot be asked is not present).
    virtual PrinterState state() const = 0;
};

} // namespace kestrova
