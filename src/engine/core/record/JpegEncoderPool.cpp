#include "engine/core/record/JpegEncoderPool.h"

extern "C" {
#include <libavcodec/packet.h>
}

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef PELTA_HAVE_LIBJPEG_TURBO
#include <jpeglib.h>
// Another libjpeg is too slow to be worth it; the dead zone below uses the forward DCT
// module's tables, whose layout is known for libjpeg-turbo up to 3.x.
#if !defined(LIBJPEG_TURBO_VERSION_NUMBER) || LIBJPEG_TURBO_VERSION_NUMBER >= 4000000
#undef PELTA_HAVE_LIBJPEG_TURBO
#endif
#endif

namespace pelta::engine::record {

namespace {

// FFmpeg's Motion JPEG encoder quantises with MPEG-1's intra matrix times quantiser / 8
// (DC always 8); the same tables here keep the quantiser's meaning.
constexpr int kMpeg1Intra[64] = {
    8,  16, 19, 22, 26, 27, 29, 34, 16, 16, 22, 24, 27, 29, 34, 37, 19, 22, 26, 27, 29, 34,
    34, 38, 22, 22, 26, 27, 29, 34, 37, 40, 22, 26, 27, 29, 32, 35, 40, 48, 26, 27, 29, 32,
    35, 40, 48, 58, 26, 27, 29, 34, 38, 46, 56, 69, 27, 29, 35, 38, 46, 56, 69, 83,
};

// Each worker fits Huffman tables to its pictures (FFmpeg's encoder does so for every
// picture; libjpeg would need a second pass and the whole picture's coefficients in memory):
// before its first picture, every kRefitEvery-th after it, and after a picture whose size
// strays more than a quarter from that of the picture they were fitted on (the content
// changed), it fits them to every kFitRowStep-th row of blocks of that picture, completed
// so that every symbol has a code, and codes the pictures with them. That saves about 15 %
// of the file against the standard tables for about 2 % more time.
constexpr int kRefitEvery = 8;
constexpr int kFitRowStep = 8;

struct Layout {
    int LumaH = 0, LumaV = 0;  // luma samples per chroma sample, across and down
};

bool LayoutOf(AVPixelFormat fmt, Layout& out) {
    switch (fmt) {
    case AV_PIX_FMT_YUVJ420P: out = {2, 2}; return true;
    case AV_PIX_FMT_YUVJ422P: out = {2, 1}; return true;
    case AV_PIX_FMT_YUVJ444P: out = {1, 1}; return true;
    default: return false;
    }
}

#ifdef PELTA_HAVE_LIBJPEG_TURBO
// libjpeg reports errors by calling error_exit, which must not return: it jumps back.
struct JumpingErrors {
    jpeg_error_mgr Base;
    std::jmp_buf Back;
    char Text[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void JumpBack(j_common_ptr c) {
    auto* e = reinterpret_cast<JumpingErrors*>(c->err);
    (*c->err->format_message)(c, e->Text);
    std::longjmp(e->Back, 1);
}

void Silent(j_common_ptr, int) {}

// libjpeg rounds each coefficient to the nearest step. Rounding its size down unless the
// fraction is above 11/16 (DC to the nearest step) zeroes many small coefficients for little
// loss: FFmpeg's encoder does so above 5/8, which on the capture benchmark's moving screen
// makes pictures 6 % larger than FFmpeg's at 0.14 dB higher PSNR (libjpeg's DCT is the more
// exact); 11/16 makes them 2 % smaller at 0.08 dB lower.
// libjpeg-turbo quantises with a table per step table that its forward-DCT module computes
// at the start of a pass: 64 reciprocals, then 64 amounts added to each size before it is
// multiplied (half the divisor, plus one where the reciprocal was rounded down), then
// scales and shifts. Its own quantiser (SIMD) then does the dead zone in the same pass when
// the added amounts are lowered. The module is private: its layout (the public start_pass
// and forward_DCT, then three function pointers, then the tables) has held from 1.2 to 3.x,
// and the tables are only changed when they hold exactly what libjpeg-turbo computes for
// these steps, in 16-bit (SIMD builds) or 32-bit elements; anything else keeps its rounding.
struct FdctModule {
    void* Public[2];
    void* Methods[3];
    void* Divisors[NUM_QUANT_TBLS];
};

// libjpeg-turbo's divisor for a step (the islow DCT's output is 8 times the coefficient)
// and the reciprocal and added amount it derives from it.
template <typename Element>
void ReciprocalOf(unsigned divisor, Element& reciprocal, Element& added) {
    using Wide = uint64_t;
    const int bits = int(sizeof(Element)) * 8;
    int b = 0;
    while ((divisor >> (b + 1)) != 0) ++b;
    const int r = bits + b;
    Wide fq = (Wide(1) << r) / divisor;
    const Wide fr = (Wide(1) << r) % divisor;
    Wide c = divisor / 2;
    if (fr == 0) fq >>= 1;
    else if (fr <= divisor / 2) ++c;
    else ++fq;
    reciprocal = Element(fq);
    added = Element(c);
}

template <typename Element>
bool LowerRounding(void* tableIn, const unsigned int steps[64]) {
    auto* table = static_cast<Element*>(tableIn);
    Element reciprocal[64], added[64];
    for (int i = 0; i < 64; ++i) {
        ReciprocalOf(steps[i] * 8, reciprocal[i], added[i]);
        if (table[i] != reciprocal[i] || table[64 + i] != added[i]) return false;
    }
    // In eighths of a step's unit: 5/16 of the step, rounded to whole units, and half a unit
    // (what rounding to whole units before quantising would add).
    for (int i = 1; i < 64; ++i)
        table[64 + i] = Element(added[i] - steps[i] * 4 + 8 * ((5 * steps[i] + 8) / 16) + 4);
    return true;
}

// After jpeg_start_compress: the dead zone for every step table in use, where the tables
// are libjpeg-turbo's as described above.
void UseDeadZone(j_compress_ptr c, const unsigned int steps[64]) {
    auto* fdct = reinterpret_cast<FdctModule*>(c->fdct);
    for (int k = 0; k < 2; ++k) {
        void* table = fdct->Divisors[k];
        if (table != nullptr && !LowerRounding<int16_t>(table, steps)) LowerRounding<int32_t>(table, steps);
    }
}

// Huffman code lengths (at most 16 bits) for symbol frequencies, as JPEG's annex K.2 builds
// them: bits[1..16] counts the codes of each length, huffval lists the symbols by length.
void BuildHuffmanTable(const long (&frequencyIn)[256], UINT8 bits[17], UINT8 huffval[256]) {
    long freq[257];
    int size[257], next[257];
    for (int i = 0; i < 256; ++i) freq[i] = frequencyIn[i];
    freq[256] = 1;  // a reserved symbol, so that no code is all ones
    std::fill(std::begin(size), std::end(size), 0);
    std::fill(std::begin(next), std::end(next), -1);
    for (;;) {
        int c1 = -1, c2 = -1;
        for (int i = 0; i <= 256; ++i)
            if (freq[i] > 0 && (c1 < 0 || freq[i] <= freq[c1])) c1 = i;
        for (int i = 0; i <= 256; ++i)
            if (freq[i] > 0 && i != c1 && (c2 < 0 || freq[i] <= freq[c2])) c2 = i;
        if (c2 < 0) break;
        freq[c1] += freq[c2];
        freq[c2] = 0;
        for (++size[c1]; next[c1] >= 0; ++size[c1]) c1 = next[c1];
        next[c1] = c2;
        for (++size[c2]; next[c2] >= 0; ++size[c2]) c2 = next[c2];
    }
    int count[258] = {};  // a code is at most 256 bits long before the lengths are limited
    for (int i = 0; i <= 256; ++i)
        if (size[i] > 0) ++count[size[i]];
    for (int i = 257; i > 16; --i)
        while (count[i] > 0) {
            int j = i - 2;
            while (count[j] == 0) --j;
            count[i] -= 2;
            ++count[i - 1];
            count[j + 1] += 2;
            --count[j];
        }
    int longest = 16;
    while (count[longest] == 0) --longest;
    --count[longest];  // the reserved symbol's code
    bits[0] = 0;
    for (int i = 1; i <= 16; ++i) bits[i] = UINT8(count[i]);
    int at = 0;
    for (int length = 1; length <= 257; ++length)
        for (int s = 0; s < 256; ++s)
            if (size[s] == length) huffval[at++] = UINT8(s);
}

bool SymbolCanOccur(bool dc, int s) {
    if (dc) return s <= 11;  // the size of a difference of 8-bit samples
    const int size = s & 15;
    return s == 0x00 || s == 0xF0 || (size >= 1 && size <= 10);  // end of block, 16 zeros, run/size
}

// The tables libjpeg fitted to a picture (optimize_coding), completed: a symbol that did not
// occur there gets a long code, so any later picture can be coded with them.
void KeepFittedTables(j_compress_ptr c, JpegEncoderPool::HuffmanTables& out) {
    JHUFF_TBL* fitted[4] = {c->dc_huff_tbl_ptrs[0], c->ac_huff_tbl_ptrs[0], c->dc_huff_tbl_ptrs[1],
                            c->ac_huff_tbl_ptrs[1]};
    for (int k = 0; k < 4; ++k) {
        if (fitted[k] == nullptr) return;
        int length[256] = {};
        for (int l = 1, at = 0; l <= 16; ++l)
            for (int n = 0; n < fitted[k]->bits[l] && at < 256; ++n) length[fitted[k]->huffval[at++]] = l;
        long freq[256] = {};
        for (int s = 0; s < 256; ++s)
            if (SymbolCanOccur(k % 2 == 0, s)) freq[s] = length[s] > 0 ? 1L << (20 - length[s]) : 1;
        BuildHuffmanTable(freq, out.Bits[k], out.Values[k]);
    }
    out.Ready = true;
}

void UseTables(j_compress_ptr c, const JpegEncoderPool::HuffmanTables& t) {
    JHUFF_TBL** slots[4] = {&c->dc_huff_tbl_ptrs[0], &c->ac_huff_tbl_ptrs[0], &c->dc_huff_tbl_ptrs[1],
                            &c->ac_huff_tbl_ptrs[1]};
    for (int k = 0; k < 4; ++k) {
        if (*slots[k] == nullptr) *slots[k] = jpeg_alloc_huff_table(reinterpret_cast<j_common_ptr>(c));
        std::memcpy((*slots[k])->bits, t.Bits[k], sizeof t.Bits[k]);
        std::memcpy((*slots[k])->huffval, t.Values[k], sizeof t.Values[k]);
        (*slots[k])->sent_table = FALSE;
    }
}
#endif

}  // namespace

void JpegQuantTable(int quantiser, unsigned int table[64]) {
    const int q = std::clamp(quantiser, 2, 31);
    for (int i = 0; i < 64; ++i) {
        const int step = i == 0 ? 8 : (kMpeg1Intra[i] * q) >> 3;
        table[i] = unsigned(std::clamp(step, 2, 255));
    }
}

bool JpegPoolAvailable() {
#ifdef PELTA_HAVE_LIBJPEG_TURBO
    return true;
#else
    return false;
#endif
}

bool JpegPoolTakes(AVPixelFormat fmt) {
    Layout l;
    return LayoutOf(fmt, l);
}

JpegEncoderPool::JpegEncoderPool(AVPixelFormat format, int width, int height, int quantiser, int workers)
    : format_(format), width_(width), height_(height), capacity_(size_t(std::max(workers, 1)) + 1) {
    JpegQuantTable(quantiser, steps_);
    Layout layout;
    if (!JpegPoolAvailable()) {
        startError_ = "libjpeg-turbo is not part of this build";
        return;
    }
    if (!LayoutOf(format, layout) || width <= 0 || height <= 0) {
        startError_ = "libjpeg-turbo takes no pictures of this format";
        return;
    }
    try {
        for (int i = 0; i < std::max(workers, 1); ++i) workers_.emplace_back([this] { Work(); });
    } catch (const std::exception&) {
        startError_ = "the encoder's threads cannot start";
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        jobReady_.notify_all();
        for (auto& t : workers_) t.join();
        workers_.clear();
    }
}

JpegEncoderPool::~JpegEncoderPool() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    jobReady_.notify_all();
    for (auto& t : workers_) t.join();
    for (Job& j : jobs_) av_frame_free(&j.Picture);
    for (auto& [seq, p] : finished_) av_packet_free(&p.Data);
}

bool JpegEncoderPool::Submit(const AVFrame* picture, int64_t slot) {
    AVFrame* ref = av_frame_clone(picture);
    if (ref == nullptr) return false;
    {
        std::unique_lock lock(mutex_);
        // Pictures waiting or being compressed; finished packets hold no picture.
        jobTaken_.wait(lock, [&] {
            return size_t(nextSequence_ - nextTaken_) - finished_.size() < capacity_ || workers_.empty();
        });
        if (workers_.empty()) {
            av_frame_free(&ref);
            return false;
        }
        jobs_.push_back(Job{ref, nextSequence_++, slot});
    }
    jobReady_.notify_one();
    return true;
}

bool JpegEncoderPool::Take(Packet& out, bool wait) {
    std::unique_lock lock(mutex_);
    if (nextTaken_ == nextSequence_) return false;
    if (wait) packetDone_.wait(lock, [&] { return finished_.count(nextTaken_) != 0; });
    auto it = finished_.find(nextTaken_);
    if (it == finished_.end()) return false;
    out = std::move(it->second);
    finished_.erase(it);
    ++nextTaken_;
    return true;
}

int64_t JpegEncoderPool::InHand() const {
    std::lock_guard lock(mutex_);
    return nextSequence_ - nextTaken_;
}

void JpegEncoderPool::Work() {
    Worker state;  // one per worker
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            jobReady_.wait(lock, [&] { return quit_ || !jobs_.empty(); });
            if (quit_) break;
            job = jobs_.front();
            jobs_.pop_front();
        }
        Packet p = Compress(job, state);
        av_frame_free(&job.Picture);
        {
            std::lock_guard lock(mutex_);
            finished_[job.Sequence] = std::move(p);
        }
        packetDone_.notify_all();
        jobTaken_.notify_one();
    }
}

// One picture as a baseline JPEG (what every Motion JPEG decoder reads): planar YUV handed
// to libjpeg as it is (no colour conversion, no resampling), FFmpeg's quantiser tables,
// Huffman tables fitted to the worker's pictures.
JpegEncoderPool::Packet JpegEncoderPool::Compress(const Job& job, Worker& state) const {
    Packet out{job.Slot, nullptr, {}};
#ifdef PELTA_HAVE_LIBJPEG_TURBO
    Layout layout;
    LayoutOf(format_, layout);
    const AVFrame* f = job.Picture;
    if (state.Buffer.empty()) state.Buffer.resize(size_t(width_) * size_t(height_) / 2 + 65536);
    std::string why;
    const bool fit = !state.Tables.Ready || state.SinceFit >= kRefitEvery - 1;
    if (fit) {
        why = Write(f, state, true);
        state.SinceFit = 0;
    } else {
        ++state.SinceFit;
    }
    if (why.empty()) why = Write(f, state, false);
    if (why.empty() && fit) {
        state.FitBytes = state.Size;
    } else if (why.empty() && (state.Size * 4 > state.FitBytes * 5 || state.Size * 5 < state.FitBytes * 4)) {
        state.SinceFit = kRefitEvery;  // fitted to other content: fit again on the next picture
    }
    if (!why.empty()) {
        out.Error = "libjpeg-turbo failed: " + why;
    } else if ((out.Data = av_packet_alloc()) == nullptr || av_new_packet(out.Data, int(state.Size)) < 0) {
        av_packet_free(&out.Data);
        out.Error = "out of memory";
    } else {
        std::memcpy(out.Data->data, state.Data, state.Size);
        out.Data->flags |= AV_PKT_FLAG_KEY;
    }
    if (state.Data != state.Buffer.data()) std::free(state.Data);
    state.Data = nullptr;
#else
    (void)state;
    out.Error = "libjpeg-turbo is not part of this build";
#endif
    return out;
}

// Compresses `f` into state.Data / state.Size with the worker's Huffman tables, or with
// `fit` only fits the tables: libjpeg codes every kFitRowStep-th row of blocks (its second
// pass needs them all in memory, so a sample keeps that small) and the output is dropped.
// Empty on success, else libjpeg's message.
std::string JpegEncoderPool::Write([[maybe_unused]] const AVFrame* f, [[maybe_unused]] Worker& state,
                                   [[maybe_unused]] bool fit) const {
#ifdef PELTA_HAVE_LIBJPEG_TURBO
    Layout layout;
    LayoutOf(format_, layout);
    jpeg_compress_struct c{};
    JumpingErrors errors;
    c.err = jpeg_std_error(&errors.Base);
    errors.Base.error_exit = JumpBack;
    errors.Base.emit_message = Silent;
    state.Data = nullptr;
    if (setjmp(errors.Back) != 0) {
        jpeg_destroy_compress(&c);
        return errors.Text;
    }
    jpeg_create_compress(&c);
    const int rows = 8 * layout.LumaV;  // a row of blocks (MCUs)
    const int step = fit ? kFitRowStep : 1;
    const int coded = ((height_ + rows - 1) / rows + step - 1) / step;
    state.Data = state.Buffer.data();
    state.Size = state.Buffer.size();
    jpeg_mem_dest(&c, &state.Data, &state.Size);  // grows into a buffer of its own when the picture needs more
    c.image_width = JDIMENSION(width_);
    c.image_height = JDIMENSION(fit ? coded * rows : height_);
    c.input_components = 3;
    c.in_color_space = JCS_YCbCr;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, JCS_YCbCr);
    c.raw_data_in = TRUE;
    c.dct_method = JDCT_ISLOW;
    c.comp_info[0].h_samp_factor = layout.LumaH;
    c.comp_info[0].v_samp_factor = layout.LumaV;
    for (int k = 1; k < 3; ++k) c.comp_info[k].h_samp_factor = c.comp_info[k].v_samp_factor = 1;
    jpeg_add_quant_table(&c, 0, steps_, 100, TRUE);
    jpeg_add_quant_table(&c, 1, steps_, 100, TRUE);
    c.comp_info[0].quant_tbl_no = 0;
    c.comp_info[1].quant_tbl_no = c.comp_info[2].quant_tbl_no = 1;
    if (fit) {
        c.optimize_coding = TRUE;
    } else {
        UseTables(&c, state.Tables);
    }
    jpeg_start_compress(&c, TRUE);
    UseDeadZone(&c, steps_);
    // One row of blocks at a time; rows past the picture's foot repeat its last row. libjpeg
    // reads whole blocks: where the width is not a whole number of them, each row is copied
    // into EdgeRows and its last sample repeated to the block's edge, as the rows' padding
    // holds whatever the buffer held and would bleed into the visible edge blocks.
    const int chromaHeight = (height_ + layout.LumaV - 1) / layout.LumaV;
    const int blockWidth = 8 * layout.LumaH;
    const int paddedWidth = (width_ + blockWidth - 1) / blockWidth * blockWidth;
    const int chromaWidth = (width_ + layout.LumaH - 1) / layout.LumaH, paddedChroma = paddedWidth / layout.LumaH;
    const bool widen = paddedWidth != width_;
    if (widen) state.EdgeRows.resize(size_t(rows) * size_t(paddedWidth) + 16 * size_t(paddedChroma));
    const auto row = [&](int plane, int y, int slot) -> JSAMPROW {
        uint8_t* from = f->data[plane] + ptrdiff_t(y) * f->linesize[plane];
        if (!widen) return from;
        const int w = plane == 0 ? width_ : chromaWidth, padded = plane == 0 ? paddedWidth : paddedChroma;
        uint8_t* to = state.EdgeRows.data() +
                      (plane == 0 ? size_t(slot) * size_t(paddedWidth)
                                  : size_t(rows) * size_t(paddedWidth) + size_t((plane - 1) * 8 + slot) * size_t(paddedChroma));
        std::memcpy(to, from, size_t(w));
        std::memset(to + w, from[w - 1], size_t(padded - w));
        return to;
    };
    JSAMPROW luma[16], cb[8], cr[8];
    JSAMPARRAY planes[3] = {luma, cb, cr};
    for (int k = 0; k < coded; ++k) {
        const int y = k * step * rows;
        for (int j = 0; j < rows; ++j) luma[j] = row(0, std::min(y + j, height_ - 1), j);
        for (int j = 0; j < 8; ++j) {
            const int cy = std::min(y / layout.LumaV + j, chromaHeight - 1);
            cb[j] = row(1, cy, j);
            cr[j] = row(2, cy, j);
        }
        jpeg_write_raw_data(&c, planes, JDIMENSION(rows));
    }
    jpeg_finish_compress(&c);
    if (fit) KeepFittedTables(&c, state.Tables);
    jpeg_destroy_compress(&c);
    if (fit && state.Data != state.Buffer.data()) std::free(state.Data);
    return {};
#else
    return "libjpeg-turbo is not part of this build";
#endif
}

}  // namespace pelta::engine::record
