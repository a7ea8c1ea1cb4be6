#pragma once
// A film box as one page, computed before anything is painted: the page setup, the header band
// (caption lines, the logo), the border and each cell of the grid with its picture placed and
// already as the printer gets it. Positions are twips on the printable area.
//
// Threads: a page is a value. Its pictures hold only their compressed pixels, shared and never
// changed, so a page is cheap to copy and to hand to another thread. The functions are pure but
// pageFrame, which runs where the printer device is used.

#include "printing/printer_densities.h"
#include "printing/printer_device.h"
#include "render/display_format.h"
#include "render/film_to_print.h"

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace kestrova {

struct CaptionLine {
    QPointF baseline;
    QString text;
};

struct PlacedPicture {
    QRectF target;
    Picture picture;
};

struct FilledArea {
    QRectF area;
    std::uint8_t grey = 0; // 0 black, 255 white
};

struct FilmCell {
    // An empty cell's fill, when the film asks for one.
    std::optional<FilledArea> fill;
    // None for an image box without an image.
    std::optional<PlacedPicture> picture;
    // Over the picture, the edges of its trim frame when the film asks for one.
    std::vector<FilledArea> frame{};
};

struct FilmPage {
    PageSetup setup;
    QFont captionFont;
    // The header band's lines, then the annotation boxes' texts under the grid.
    std::vector<CaptionLine> captions;
    std::optional<PlacedPicture> logo;
    // Under the whole grid, below the cells.
    std::optional<FilledArea> border;
    FilmLayout layout;
    std::vector<FilmCell> cells; // in position order
};

// What a page is laid out for besides the film and the settings: its setup and caption font,
// the printer's capabilities and its metrics for both, the logo picture when the settings name
// one, and the printer's densities when the film asks for a grey scale.
struct PageFrame {
    PageSetup setup;
    QFont captionFont;
    PrinterCapabilities printer;
    PrinterMetrics metrics;
    std::optional<Picture> logo;
    std::optional<PrinterDensities> densities;
};

// Anything but Film Orientation "PORTRAIT" prints landscape, an absent one too: requesters may
// leave it out. Copies are the session's Number of Copies (1 when null), overflow (6) outside
// -32768..32767. The paper is the Film Size ID's where the printer takes film sizes.
PageSetup filmPageSetup(const FilmToPrint& film, const PrinterCapabilities& printer);

// The caption font at its point size; the page's unit makes its pixels twips.
QFont captionFont(const Settings& settings);

// Asks the printer and reads the logo file: FileNotFound (53) or InvalidPicture (481) for a
// logo that cannot be read. For a film that asks for a grey scale, reads the printer's
// calibration file, raising what printerDensities raises.
PageFrame pageFrame(const FilmToPrint& film, const FilmJobSettings& settings, const PrinterDevice& printer);

// The page. Raises what the film's Image Display Format decodes to (display_format.h), and
// for the grid (film_grid.h); subscript out of range (9) when the film has fewer image boxes than
// cells; object not set (91) when the caption files were never read; InvalidPicture (481) for a
// picture without pixels; ImageLargerThanCell (film_cells.h). A film box with an Annotation
// Display Format ID Kestrova defines gives up a caption line under its grid to its annotation
// boxes' texts.
FilmPage layOutFilmPage(const FilmToPrint& film, const FilmJobSettings& settings, const PageFrame& frame);

// The bytes of the page's pictures as pixels, 8 bits a sample: what a printer that is handed the
// page's pixels holds at once.
std::uint64_t pagePixelBytes(const FilmPage& page);

} // namespace kestrova
