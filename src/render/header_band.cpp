#include "header_band.h"

#include "core/errors.h"
#include "core/rounding.h"

namespace kestrova {

namespace {

const HeaderLines& linesOf(const std::optional<HeaderLines>& lines)
{
    if (!lines)
        raise(ErrorCode::ObjectNotSet); // the caption files have never been read
    return *lines;
}

std::int32_t printLeftLines(PrinterDevice& printer, const HeaderLines& lines)
{
    for (const auto& line : lines) {
        printer.setCurrentX(0);
        printer.printLine(line);
    }
    return roundHalfEven<std::int32_t>(printer.currentY());
}

std::int32_t printRightLines(PrinterDevice& printer, const HeaderLines& lines)
{
    printer.setCurrentY(0);
    for (const auto& line : lines) {
        printer.setCurrentX(printer.scaleWidth() - printer.textWidth(line));
        printer.printLine(line);
    }
    return roundHalfEven<std::int32_t>(printer.currentY());
}

// The logo takes the side without text: left when both lists are empty, centred when both have lines.
float logoX(float scaleWidth, std::int32_t logoWidth, const HeaderLines& left, const HeaderLines& right)
{
    if (!left.empty() && !right.empty())
        return scaleWidth / 2 - static_cast<float>(logoWidth) / 2;
    if (left.empty())
        return 0;
    return scaleWidth - static_cast<float>(logoWidth);
}

} // namespace

std::int32_t printHeaderBand(const PrintContext& context)
{
    PrinterDevice& printer = context.printer;
    const HeaderLines& left = linesOf(context.headerLeftLines);
    const std::int32_t leftBottom = printLeftLines(printer, left);
    const HeaderLines& right = linesOf(context.headerRightLines);
    const std::int32_t rightBottom = printRightLines(printer, right);
    std::int32_t height = std::max(leftBottom, rightBottom);

    if (context.settings.ImagePath.empty())
        return height;
    const Picture logo = printer.loadPicture(context.settings.ImagePath);
    const auto logoWidth = roundHalfEven<std::int32_t>(logo.widthHimetric * TwipsPerHimetric);
    const auto logoHeight = roundHalfEven<std::int32_t>(logo.heightHimetric * TwipsPerHimetric);
    printer.paintPicture(logo, logoX(printer.scaleWidth(), logoWidth, left, right), 0, logoWidth, logoHeight);
    if (logoHeight > height)
        height = checkedNarrow<std::int32_t>(static_cast<std::int64_t>(logoHeight) + 150);
    return height;
}

} // namespace kestrova
