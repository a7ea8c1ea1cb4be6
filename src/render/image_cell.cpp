#include "image_cell.h"

#include "toolkit/print_tags.h"

namespace kestrova {

namespace {

// Grayscale wins when an image box carries both sequences.
Attribute imageSequenceOf(const DataSet& imageBox)
{
    const Attribute grayscale = imageBox.attribute(PrintTag::BasicGrayscaleImageSequence);
    return grayscale.exists() ? grayscale : imageBox.attribute(PrintTag::BasicColorImageSequence);
}

Picture renderPicture(const PrintContext& context, const Image& image)
{
    return context.settings.LUT == 1 ? image.picture(context.lut) : image.picture();
}

void drawPreview(const PrintContext& context, const Picture& picture, const Cell& cell)
{
    const FittedPicture fitted = fitPicture(cell, picture.widthHimetric, picture.heightHimetric);
    context.preview.paintPicture(picture, static_cast<float>(fitted.x), static_cast<float>(fitted.y), fitted.width,
                                 fitted.height);
    context.preview.refresh();
}

} // namespace

void renderImageCell(const PrintContext& context, const DataSetCollection& references,
                     const CellPlacement& placement, ImageList& imageList)
{
    const DataSetPtr& reference = references.item(static_cast<std::size_t>(placement.reference));
    const DataSetPtr& imageBox = context.store->item(reference->attribute(ReferencedSopInstanceUidTag).asText());
    const Attribute sequence = imageSequenceOf(*imageBox);
    if (!sequence.exists())
        return;

    imageList = ImageList{};
    imageList.add(sequence.asSequence()->item(1));
    const Picture picture = renderPicture(context, imageList.item(1));

    if (context.isMaximized())
        drawPreview(context, picture, placement.preview);
    const FittedPicture fitted = fitPicture(placement.page, picture.widthHimetric, picture.heightHimetric);
    context.printer.paintPicture(picture, static_cast<float>(fitted.x), static_cast<float>(fitted.y), fitted.width,
                                 fitted.height);
    context.letEventsRun();
}

} // namespace kestrova
