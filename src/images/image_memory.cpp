#include "images/image_memory.h"

#include <mutex>

// The sanitizers bring an allocator of their own: glibc's tuning and trimming would act on a
// heap nobody uses (and malloc_trim crashes there), so they are left out of those builds.
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define KESTROVA_TUNE_GLIBC_MALLOC 1
#include <malloc.h>
#endif

namespace kestrova {

void keepPixelBuffersForReuse()
{
#ifdef KESTROVA_TUNE_GLIBC_MALLOC
    static std::once_flag once;
    std::call_once(once, [] {
        // By default glibc maps every buffer above its threshold afresh and unmaps it when
        // freed, and each association's thread allocates in an arena of its own. A film then
        // faults in tens of megabytes page by page, several times over: on a virtual machine
        // that took longer than decoding and printing the images. The threshold cannot be set
        // above 32 MB, less than one 4096 x 4096 image, so buffers are never mapped on their
        // own: they come from the heap and stay there until more than 128 MB lie free at its
        // top. One arena for all threads: with one per thread, each new association's thread
        // warmed up a heap of its own, and memory grew with each of them.
        mallopt(M_MMAP_MAX, 0);
        mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
        mallopt(M_ARENA_MAX, 1);
    });
#endif
}

void returnFreePixelBuffers()
{
#ifdef KESTROVA_TUNE_GLIBC_MALLOC
    malloc_trim(0);
#endif
}

namespace {

// Also before main(), while the process has a single thread: an arena that some early thread
// made for itself would stay in use beside the main one. Linked in with the listener, which
// calls the function again each time it starts listening.
const bool tunedAtStart = (keepPixelBuffersForReuse(), true);

} // namespace

} // namespace kestrova
