#pragma once
// How the process's allocator treats the multi-megabyte buffers of pixel data that every
// film passes through (received data sets, decoded renditions, page images).

namespace kestrova {

// Keeps freed pixel buffers in the process for the next film instead of handing them back
// to the kernel. Takes effect once per process; later calls do nothing.
void keepPixelBuffersForReuse();

// Hands the free pages kept for reuse back to the kernel: once a requester is gone, the next
// one may be long in coming, and an idle service should not sit on its busiest film's memory.
void returnFreePixelBuffers();

} // namespace kestrova
