#include "recorded_output.h"

#include <sstream>

namespace kestrova::test {

RecordedPicture recordPicture(const Picture& picture, float x, float y, double width, double height)
{
    return RecordedPicture{x, y, width, height, picture.widthHimetric, picture.heightHimetric, picture.image};
}

std::string describe(const RecordedPicture& picture)
{
    std::ostringstream text;
    text << "paintPicture " << picture.x << ' ' << picture.y << ' ' << picture.width << ' ' << picture.height << ' '
         << picture.widthHimetric << 'x' << picture.heightHimetric;
    return text.str();
}

} // namespace kestrova::test
