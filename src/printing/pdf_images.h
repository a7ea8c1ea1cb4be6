#pragma once
// Images of the built-in printer's film files, written around Qt's PDF engine. Qt 6.4 widens
// every image to 32-bit ARGB, scans it and deflates it at zlib's default level, which costs more
// than everything else on a page together; it still lays the page out (text with its embedded
// fonts, rectangles, each image's placement), with a stand-in of one pixel row for each image,
// and the stand-ins' streams are then replaced by the pixels, compressed ahead.

#include "picture/picture.h"

#include <filesystem>
#include <string>
#include <memory>
#include <vector>

namespace kestrova {

// What Qt draws in place of a page's image number `index` (from 0): one row of index + 1
// pixels, which finds its stream again; in the image's format, so the page's colour mode is
// decided as for the image itself.
QImage standInImage(std::size_t index, QImage::Format format);

using PdfImages = std::vector<std::shared_ptr<const CompressedPixels>>;

// The film: the PDF Qt wrote to `layout`, each stand-in's stream replaced by the image of its
// index, compressed data kept as it is. Raises PathFileAccess, naming the layout, when it cannot
// be read whole or holds a stand-in without its image.
std::string filmWithImages(const std::filesystem::path& layout, const PdfImages& images);

} // namespace kestrova
