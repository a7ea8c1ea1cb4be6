#pragma once
// Everything film printing needs of a printer, in twips (1440 per inch) with the origin at
// the top-left of the printable area. Every failing operation raises an AppError.

#include "picture/picture.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kestrova {

enum class Orientation : int { Portrait = 1, Landscape = 2 };

class PrinterDevice {
public:
    virtual ~PrinterDevice() = default;

    // A device of its own for one print job, set up as this one is now: it is used on the
    // job's thread while this one and other jobs' devices go on being used. Cheap; it opens
    // the printer only when the job first needs it, so an unusable printer fails the job.
    virtual std::unique_ptr<PrinterDevice> deviceForJob() const = 0;

    // Printers in the system's order, by device name. The selection is program-wide.
    virtual std::vector<std::string> printerNames() const = 0;
    virtual std::string selectedPrinter() const = 0;
    virtual void selectPrinter(const std::string& deviceName) = 0;

    // Document settings, made before the first output of a document.
    virtual void setCopies(std::int16_t copies) = 0;
    virtual void setOrientation(Orientation orientation) = 0;
    virtual void setFontName(const std::string& name) = 0;
    virtual void setFontSize(float points) = 0;
    // The paper of the next document, portrait width and height in millimetres.
    virtual void setPaperSize(double widthMm, double heightMm) = 0;

    // The printable area for the orientation set.
    virtual float scaleLeft() const = 0;
    virtual float scaleTop() const = 0;
    virtual float scaleWidth() const = 0;
    virtual float scaleHeight() const = 0;
    // Dots per inch of the output: what a picture resampled for this printer is sized to.
    virtual int dotsPerInch() const = 0;

    // Text at the current position; printLine moves it to the start of the next line.
    virtual float currentX() const = 0;
    virtual float currentY() const = 0;
    virtual void setCurrentX(float x) = 0;
    virtual void setCurrentY(float y) = 0;
    virtual float textWidth(const std::string& text) const = 0;
    virtual void printLine(const std::string& text) = 0;

    // A picture file with its size from the file's own resolution (96 dpi when it has none).
    virtual Picture loadPicture(const std::filesystem::path& file) const = 0;
    virtual void paintPicture(const Picture& picture, float x, float y, double width, double height) = 0;
    // A solid rectangle in a grey level from 0 (black) to 255 (white).
    virtual void fillRectangle(float x, float y, double width, double height, std::uint8_t grey) = 0;

    // Sends everything drawn since the last end as one job with the copies set.
    virtual void endDocument() = 0;
    // Throws away everything drawn since the last end; nothing reaches the printer.
    virtual void abortDocument() = 0;
};

// The on-screen preview of the film being printed, in its own scale units.
class PreviewSurface {
public:
    virtual ~PreviewSurface() = default;
    virtual void clear() = 0;
    virtual float scaleWidth() const = 0;
    virtual float scaleHeight() const = 0;
    virtual void paintPicture(const Picture& picture, float x, float y, double width, double height) = 0;
    virtual void refresh() = 0;
};

} // namespace kestrova
