#pragma once
// How the process's allocator treats the multi-megabyte buffers of pixel data that every
// film passes through (received data sets, decoded renditions, page images).

namespace kestrova {

// Keeps freed pixel buffers in the process for the next film instead of handing them back
// to the kernel. Takes effect once per process; later calls do nothing.
void keepPixelBuffersForReuse();

} // namespace kestrova
