#include "toolkit/image_memory.h"

#include <mutex>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace kestrova {

void keepPixelBuffersForReuse()
{
#ifdef __GLIBC__
    static std::once_flag once;
    std::call_once(once, [] {
        // By default glibc maps every buffer above its threshold afresh and unmaps it when
        // freed, and each association's thread allocates in an arena of its own. A film then
        // faults in tens of megabytes page by page, several times over: on a virtual machine
        // that took longer than decoding and printing the images. Buffers up to the largest
        // image (4096 x 4096 x 16 bits) now come from the heap and stay there, in at most one
        // arena per core, until more than 128 MB lie free at its top.
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
        mallopt(M_ARENA_MAX, 2);
    });
#endif
}

} // namespace kestrova
