#pragma once
// What the recording devices saw drawn.

#include "core/picture.h"
#include "printing/printer_device.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrova::test {

struct RecordedLine {
    float x = 0;
    float y = 0;
    std::string text;
};

struct RecordedPicture {
    float x = 0;
    float y = 0;
    double width = 0;
    double height = 0;
    std::int32_t widthHimetric = 0;
    std::int32_t heightHimetric = 0;
    QImage image; // the pixels as they went to the printer
};

struct RecordedRectangle {
    float x = 0;
    float y = 0;
    double width = 0;
    double height = 0;
    std::uint8_t grey = 0;
};

RecordedPicture recordPicture(const Picture& picture, float x, float y, double width, double height);

// "paintPicture x y width height WxH" (the picture's HIMETRIC size last).
std::string describe(const RecordedPicture& picture);

// One document as the printer would have received it.
struct RecordedDocument {
    std::string printer;
    Orientation orientation = Orientation::Portrait;
    std::int16_t copies = 1;
    std::vector<RecordedLine> lines;
    std::vector<RecordedPicture> pictures;
    std::vector<RecordedRectangle> rectangles;

    bool empty() const { return lines.empty() && pictures.empty() && rectangles.empty(); }
};

} // namespace kestrova::test
