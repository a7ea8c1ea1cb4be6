#pragma once
// What a PDF file holds, as poppler-utils read it: pages, text, images and a rendering.

#include <QImage>

#include <filesystem>
#include <string>
#include <vector>

namespace kestrova::test {

struct PdfInfo {
    int pages = 0;
    std::string pageSize; // pdfinfo's "Page size" line, e.g. "595.276 x 841.89 pts (A4)"
};
PdfInfo pdfInfo(const std::filesystem::path& pdf);

std::string pdfText(const std::filesystem::path& pdf);

// A word and its box on the page in points from the top-left corner.
struct PdfWord {
    std::string text;
    double xMin = 0;
    double yMin = 0;
    double xMax = 0;
    double yMax = 0;
};
std::vector<PdfWord> pdfWords(const std::filesystem::path& pdf);

// One row of pdfimages -list.
struct PdfImage {
    int width = 0;
    int height = 0;
    std::string colour;   // gray, rgb, ...
    int bitsPerComponent = 0;
    std::string encoding; // image (lossless), jpeg, jpx, ...
};
std::vector<PdfImage> pdfImages(const std::filesystem::path& pdf);

// The first page in 8-bit gray at the resolution given.
QImage renderGray(const std::filesystem::path& pdf, int dpi);

} // namespace kestrova::test
