#include "engine/core/MappedMemory.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace pelta::engine {

namespace {

// Maps every page of [data, data + size) into this process now, writable.
void MapNow(void* data, size_t size) {
    if (data == nullptr || size == 0) return;
    // madvise takes whole pages: from the page the range starts in.
    static const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = uintptr_t(data) & ~(page - 1);
    (void)madvise(reinterpret_cast<void*>(begin), uintptr_t(data) + size - begin, MADV_POPULATE_WRITE);
}

}  // namespace

AVBufferRef* MappedBuffer(size_t size) {
    AVBufferRef* b = av_buffer_alloc(size);
    if (b != nullptr) MapNow(b->data, size);
    return b;
}

}  // namespace pelta::engine
