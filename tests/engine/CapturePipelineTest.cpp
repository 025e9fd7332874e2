// The way of a picture through a capture while the writer is held up: the device's frames
// go back to it once prepared, the queue's bound holds, and the file keeps every kept picture
// in order with the lost ones counted.
#include "RecordProbe.h"
#include "RecordTestHub.h"
#include "support/Pump.h"
#include "engine/core/record/CaptureSession.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

using namespace pelta;
using namespace pelta::engine;

namespace {

constexpr int kWidth = 320, kHeight = 240, kFps = 30;

// A video device driven by the test: each Deliver hands one numbered picture to the
// listeners at once, in buffers of its own whose references it counts (what a grabber's
// buffer pool would have to hold).
class CountingHub : public test::TestHubBase {
public:
    // The newest picture goes back while the count it lowers still exists.
    ~CountingHub() override { DropLatest(); }
    void Deliver(int64_t n) {
        AVFrame* f = av_frame_alloc();
        f->format = AV_PIX_FMT_BGR0;
        f->width = kWidth;
        f->height = kHeight;
        f->linesize[0] = kWidth * 4;
        const size_t size = size_t(f->linesize[0]) * kHeight;
        auto* pixels = static_cast<uint8_t*>(av_malloc(size));
        for (size_t i = 0; i < size; ++i) pixels[i] = uint8_t(i / 7 + n * 5);
        test::StampNumber(pixels, f->linesize[0], 4, n);
        f->buf[0] = av_buffer_create(pixels, size, &CountingHub::Free, this, 0);
        f->data[0] = pixels;
        ++live_;
        f->pts = n * 1000000 / kFps;
        PublishVideo(f, AVRational{1, 1000000});
        av_frame_free(&f);
    }
    // Frames of this device still referenced (the hub's own newest one included).
    int Live() const { return live_; }

    bool HasVideo() const override { return true; }
    bool HasAudio() const override { return false; }
    VideoFormat CurrentVideoFormat() const override {
        return {kWidth, kHeight, AV_PIX_FMT_BGR0, AVRational{kFps, 1}, AVRational{1, 1000000}};
    }
    AudioFormat CurrentAudioFormat() const override { return {}; }

private:
    static void Free(void* self, uint8_t* data) {
        av_free(data);
        --static_cast<CountingHub*>(self)->live_;
    }
    std::atomic<int> live_{0};
};

// Holds the writer thread in its first progress event until opened.
struct WriterGate {
    std::mutex m;
    std::condition_variable cv;
    bool held = false, open = false;
    EngineEventPoster Poster() {
        return [this](EngineEventKind kind, int32_t) {
            if (kind != EngineEventKind::CaptureProgress) return;
            std::unique_lock l(m);
            held = true;
            cv.notify_all();
            cv.wait(l, [&] { return open; });
        };
    }
    bool WaitHeld() {
        std::unique_lock l(m);
        return cv.wait_for(l, std::chrono::seconds(10), [&] { return held; });
    }
    void Open() {
        std::lock_guard l(m);
        open = true;
        cv.notify_all();
    }
};

// Twelve pictures arrive while the writer is held up and four may wait; then the writer goes
// on and one more picture comes. The device gets its frames back while the writer is
// stuck; the file holds the pictures the queue kept, in order, and the eight turned away
// are counted: as empty slots before the last picture when the new ones were refused, as
// thrown away when the oldest made room (the kept ones start the track).
TEST(CapturePipeline, HeldUpWriterKeepsOnlyPreparedPicturesAndTheFileInOrder) {
    struct Case {
        bool dropOldest;
        std::vector<int64_t> numbers;  // read back from the file
        int32_t encoderBehind, discarded;
        int64_t trackSlots;
    };
    const Case cases[] = {
        {false, {0, 1, 2, 3, 12}, 8, 0, 13},
        {true, {8, 9, 10, 11, 12}, 0, 8, 5},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dropOldest ? "the oldest make room" : "new pictures are refused");
        CountingHub hub;
        WriterGate gate;
        const std::string path = dir.filePath(c.dropOldest ? "oldest.avi" : "newest.avi").toStdString();
        {
            CaptureSession session(hub, gate.Poster());
            CaptureQueueSettings queues;
            queues.VideoFrames = 4;
            queues.DropOldest = c.dropOldest;
            session.SetQueueSettings(queues);
            auto& list = session.VideoCompressorList();
            for (int32_t i = 0; i < list.Count(); ++i)
                if (list.Item(i).DisplayName == "Motion JPEG") list.SetSelected(i);
            ASSERT_EQ(session.ChosenVideoEncoder(), "mjpeg");
            session.SetCaptureFileName(path);
            session.BeginCapture(CaptureMode::VideoOnly);
            ASSERT_TRUE(gate.WaitHeld());
            for (int64_t n = 0; n < 12; ++n) hub.Deliver(n);
            EXPECT_TRUE(test::WaitUntil([&] { return hub.Live() <= 1; }, 10000))
                << hub.Live() - 1 << " device frames still held by the capture";
            gate.Open();
            ASSERT_TRUE(test::WaitUntil([&] { return session.FramesCaptured() == 4; }, 10000));
            hub.Deliver(12);
            session.EndCaptureAndWait();
            const DropCounts d = session.DroppedByCause();
            EXPECT_EQ(session.FramesCaptured(), int32_t(c.numbers.size()));
            EXPECT_EQ(d.EncoderBehind, c.encoderBehind);
            EXPECT_EQ(d.Discarded, c.discarded);
            EXPECT_EQ(d.Total(), c.encoderBehind);
        }
        EXPECT_EQ(hub.Live(), 1) << "the capture let every device frame go";
        const test::Probe p = test::ProbeFile(path);
        ASSERT_TRUE(p.ok);
        EXPECT_EQ(p.videoSlots, c.trackSlots);
        EXPECT_EQ(test::PictureNumbers(path), c.numbers);
    }
}

}  // namespace
