// Picture buffers are in memory as soon as they are made, not a page at a time as they are
// first written.
#include "engine/core/MappedMemory.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace {

// How many of the pages under [p, p + size) are in memory.
size_t PagesIn(const void* p, size_t size, size_t& pages) {
    const auto page = size_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = uintptr_t(p) & ~(page - 1);
    pages = (uintptr_t(p) + size - begin + page - 1) / page;
    std::vector<unsigned char> in(pages);
    if (mincore(reinterpret_cast<void*>(begin), pages * page, in.data()) != 0) return 0;
    size_t n = 0;
    for (unsigned char c : in) n += c & 1;
    return n;
}

TEST(MappedMemory, ABufferIsInMemoryWholeWhenMade) {
    // Larger than any heap chunk malloc would reuse: a fresh mapping, untouched until now.
    constexpr size_t kSize = 48 << 20;
    AVBufferRef* b = pelta::engine::MappedBuffer(kSize);
    ASSERT_NE(b, nullptr);
    ASSERT_GE(b->size, kSize);
    size_t pages = 0;
    EXPECT_EQ(PagesIn(b->data, kSize, pages), pages);
    av_buffer_unref(&b);
}

}  // namespace
