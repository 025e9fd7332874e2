// Picture buffers are in memory as soon as they are made, not a page at a time as they are
// first written.
#include "engine/core/MappedMemory.h"
#include "engine/core/record/PicturePreparer.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
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

// Pictures made ready before a capture serve that many pictures held at once; only the next
// one needs a new buffer, and reserving fewer than there are makes none.
TEST(MappedMemory, ReservedPicturesServeThatManyHeldAtOnce) {
    pelta::engine::record::PicturePreparer preparer(AV_PIX_FMT_YUVJ420P, 64, 48);
    preparer.Reserve(3);
    EXPECT_EQ(preparer.BuffersMade(), 3);
    AVFrame* screen = av_frame_alloc();
    screen->format = AV_PIX_FMT_BGR0;
    screen->width = 64;
    screen->height = 48;
    ASSERT_EQ(av_frame_get_buffer(screen, 0), 0);
    std::vector<AVFrame*> held;
    std::string why;
    for (int i = 0; i < 4; ++i) {
        held.push_back(preparer.Prepare(screen, why));
        ASSERT_NE(held.back(), nullptr) << why;
        EXPECT_EQ(preparer.BuffersMade(), std::max(3, i + 1));
    }
    for (AVFrame*& f : held) av_frame_free(&f);
    preparer.Reserve(2);
    EXPECT_EQ(preparer.BuffersMade(), 4);
    av_frame_free(&screen);
}

}  // namespace
