// Memory for pictures that are written whole, mapped into the process when it is made.
// Otherwise the kernel maps a buffer a page at a time as it is first written: some 3000
// faults for a 3840x2160 planar picture, paid by the first pictures of a capture on the
// device's thread (25 ms or more each on a virtual machine, where a fault is dear: enough
// to lose pictures at the start). One call maps the whole range instead, and costs no
// memory that the first picture would not have taken anyway.
#pragma once

extern "C" {
#include <libavutil/buffer.h>
}

#include <cstddef>

namespace pelta::engine {

// For av_buffer_pool_init: a buffer of `size` bytes, mapped whole. Where the kernel cannot
// (before Linux 5.14) its pages are mapped as they are first used, as before.
AVBufferRef* MappedBuffer(size_t size);

}  // namespace pelta::engine
