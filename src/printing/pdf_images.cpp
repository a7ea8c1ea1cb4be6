#include "pdf_images.h"

#include "core/errors.h"
#include "picture/picture_pixels.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>

namespace kestrova {
namespace {

[[noreturn]] void raiseFilmUnwritable(const std::filesystem::path& film, const std::string& reason)
{
    raise(ErrorCode::PathFileAccess, "The film " + film.string() + " could not be written: " + reason);
}

bool isImage(QPDFObjectHandle& stream) { return stream.getDict().getKey("/Subtype").isNameAndEquals("/Image"); }

// Stand-ins are one row high and as wide as their index plus one. Qt writes no other images
// here, so any other is a fault that must not reach a film as a grey smear.
const CompressedPixels& imageOfStandIn(QPDFObjectHandle& stream, const PdfImages& images,
                                       const std::filesystem::path& film)
{
    QPDFObjectHandle dict = stream.getDict();
    QPDFObjectHandle width = dict.getKey("/Width");
    QPDFObjectHandle height = dict.getKey("/Height");
    if (!width.isInteger() || !height.isInteger() || height.getIntValue() != 1 || width.getIntValue() < 1 ||
        static_cast<unsigned long long>(width.getIntValue()) > images.size())
        raiseFilmUnwritable(film, "the page holds an image that is none of its own");
    return *images[static_cast<std::size_t>(width.getIntValue() - 1)];
}

void replaceStandIn(QPDFObjectHandle& stream, const CompressedPixels& image)
{
    // Buffer only points at the bytes, which the caller keeps until the file is written.
    auto data = std::make_shared<Buffer>(reinterpret_cast<unsigned char*>(const_cast<char*>(image.deflated.constData())),
                                         static_cast<std::size_t>(image.deflated.size()));
    stream.replaceStreamData(data, QPDFObjectHandle::newName("/FlateDecode"), QPDFObjectHandle::newNull());
    QPDFObjectHandle dict = stream.getDict();
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(image.width));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(image.height));
    dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
    dict.replaceKey("/ColorSpace",
                    QPDFObjectHandle::newName(image.format == QImage::Format_Grayscale8 ? "/DeviceGray" : "/DeviceRGB"));
}

void replaceStandIns(QPDF& pdf, const PdfImages& images, const std::filesystem::path& film)
{
    for (QPDFObjectHandle& object : pdf.getAllObjects()) {
        if (object.isStream() && isImage(object))
            replaceStandIn(object, imageOfStandIn(object, images, film));
    }
}

} // namespace

QImage standInImage(std::size_t index, QImage::Format format)
{
    QImage standIn = allocatedImage(QSize(static_cast<int>(index) + 1, 1), format);
    standIn.fill(Qt::white);
    return standIn;
}

std::string filmWithImages(const std::filesystem::path& layout, const PdfImages& images)
{
    try {
        QPDF pdf;
        // A layout cut short (a full disk) must fail the film, not be pieced together.
        pdf.setAttemptRecovery(false);
        pdf.processFile(layout.c_str());
        replaceStandIns(pdf, images, layout);
        QPDFWriter writer(pdf);
        writer.setOutputMemory();
        writer.setCompressStreams(false);
        writer.setDecodeLevel(qpdf_dl_none);
        writer.write();
        const std::shared_ptr<Buffer> bytes = writer.getBufferSharedPointer();
        return std::string(reinterpret_cast<const char*>(bytes->getBuffer()), bytes->getSize());
    } catch (const AppError&) {
        throw;
    } catch (const std::exception& failure) {
        raiseFilmUnwritable(layout, failure.what());
    }
}

} // namespace kestrova
