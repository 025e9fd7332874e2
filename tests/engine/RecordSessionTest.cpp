#include "RecordTestHub.h"
#include "engine/core/record/CaptureSession.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

using namespace pelta::engine;
namespace fs = std::filesystem;

namespace {

struct Events {
    std::mutex m;
    std::condition_variable cv;
    int ended = 0, progress = 0;
    std::vector<int> errors;
    EngineEventPoster Poster() {
        return [this](EngineEventKind k, int32_t v) {
            std::lock_guard l(m);
            if (k == EngineEventKind::CaptureEnded) ++ended;
            else if (k == EngineEventKind::CaptureProgress) ++progress;
            else errors.push_back(v);
            cv.notify_all();
        };
    }
    bool WaitEnded(int s) {
        std::unique_lock l(m);
        return cv.wait_for(l, std::chrono::seconds(s), [&] { return ended > 0; });
    }
};

struct Probe {
    int streams = 0; std::string vcodec, acodec; int width = 0, rate = 0; int64_t videoFrames = 0; double duration = 0;
};

Probe ProbeFile(const std::string& path) {
    Probe p;
    AVFormatContext* fc = nullptr;
    if (avformat_open_input(&fc, path.c_str(), nullptr, nullptr) < 0) return p;
    avformat_find_stream_info(fc, nullptr);
    p.streams = int(fc->nb_streams);
    p.duration = fc->duration > 0 ? double(fc->duration) / AV_TIME_BASE : 0;
    for (unsigned i = 0; i < fc->nb_streams; ++i) {
        auto* par = fc->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) { p.vcodec = avcodec_get_name(par->codec_id); p.width = par->width; }
        if (par->codec_type == AVMEDIA_TYPE_AUDIO) { p.acodec = avcodec_get_name(par->codec_id); p.rate = par->sample_rate; }
    }
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(fc, pkt) >= 0) {
        if (fc->streams[pkt->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && pkt->size > 0) ++p.videoFrames;
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&fc);
    return p;
}

class RecordSession : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("rec-" + std::to_string(getpid()));
        fs::create_directories(dir);
        hub.Start();
    }
    void TearDown() override { hub.Stop(); fs::remove_all(dir); }
    fs::path dir;
    pelta::test::RecordTestHub hub{320, 240, 30, 44100};
    Events ev;
};

TEST_F(RecordSession, VideoAndAudioAviWithTimeLimitEndsByItself) {
    CaptureSession s(hub, ev.Poster());
    s.SetCaptureFileName((dir / "a.avi").string());
    s.VideoCompressorList().SetSelected(0);  // Motion JPEG
    s.SetTimeLimitOn(true);
    s.SetTimeLimitSeconds(2);
    s.PrepareCapture(1);
    s.BeginCapture(1);
    EXPECT_EQ(s.State(), 4);
    ASSERT_TRUE(ev.WaitEnded(10));
    s.EndCapture();
    s.EndCapture();
    EXPECT_EQ(ev.ended, 1);
    EXPECT_TRUE(ev.errors.empty());
    EXPECT_GE(ev.progress, 6);
    Probe p = ProbeFile((dir / "a.avi").string());
    EXPECT_EQ(p.streams, 2);
    EXPECT_EQ(p.vcodec, "mjpeg");
    EXPECT_EQ(p.acodec, "pcm_s16le");
    EXPECT_EQ(p.width, 320);
    EXPECT_EQ(p.rate, 44100);
    EXPECT_EQ(p.videoFrames, s.FramesCaptured());
    EXPECT_NEAR(p.duration, 2.0, 1.0 / 30 + 0.01);
}

TEST_F(RecordSession, AudioOnlyIntoWavAndMp3) {
    CaptureSession s(hub, ev.Poster());
    s.SetOutputFormat(2);
    s.SetCaptureFileName((dir / "a.wav").string());
    s.SetTimeLimitOn(true);
    s.SetTimeLimitSeconds(1);
    s.BeginCapture(3);
    ASSERT_TRUE(ev.WaitEnded(10));
    Probe p = ProbeFile((dir / "a.wav").string());
    EXPECT_EQ(p.acodec, "pcm_s16le");
    EXPECT_NEAR(p.duration, 1.0, 0.05);
    s.EndCapture();
    ev.ended = 0;
    s.SetOutputFormat(6);
    s.SetCaptureFileName((dir / "a.mp3").string());
    s.BeginCapture(3);
    ASSERT_TRUE(ev.WaitEnded(10));
    EXPECT_EQ(ProbeFile((dir / "a.mp3").string()).acodec, "mp3");
}

TEST_F(RecordSession, VideoIntoWavOrUnknownFormatFailsBeforeWriting) {
    CaptureSession s(hub, ev.Poster());
    s.SetCaptureFileName((dir / "v.wav").string());
    s.SetOutputFormat(2);
    EXPECT_THROW(s.PrepareCapture(2), EngineError);
    s.SetOutputFormat(1);
    EXPECT_THROW(s.PrepareCapture(3), EngineError);
    EXPECT_FALSE(fs::exists(dir / "v.wav"));
    s.EndCapture();  // idle: harmless
    EXPECT_EQ(ev.ended, 0);
}

TEST_F(RecordSession, LostDeviceFinishesFileAndReportsOnce) {
    CaptureSession s(hub, ev.Poster());
    s.SetCaptureFileName((dir / "l.avi").string());
    s.BeginCapture(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    hub.LoseVideo();
    ASSERT_TRUE(ev.WaitEnded(10));
    s.EndCapture();
    EXPECT_EQ(ev.ended, 1);
    ASSERT_EQ(ev.errors.size(), 1u);
    EXPECT_EQ(ev.errors[0], 4);
    Probe p = ProbeFile((dir / "l.avi").string());
    EXPECT_EQ(p.vcodec, "rawvideo");
    EXPECT_EQ(p.videoFrames, s.FramesCaptured());
    EXPECT_GT(p.videoFrames, 5);
}

TEST_F(RecordSession, ReservedFileIsCutAndCopyLeavesNoPartialFile) {
    CaptureSession s(hub, ev.Poster());
    s.SetCaptureFileName((dir / "r.avi").string());
    s.ReserveCaptureFile(20);
    EXPECT_EQ(fs::file_size(dir / "r.avi"), 20u * 1048576);
    s.SetTimeLimitOn(true);
    s.SetTimeLimitSeconds(1);
    s.VideoCompressorList().SetSelected(0);
    s.BeginCapture(2);
    ASSERT_TRUE(ev.WaitEnded(10));
    s.EndCapture();
    EXPECT_LT(fs::file_size(dir / "r.avi"), 20u * 1048576);
    EXPECT_EQ(ProbeFile((dir / "r.avi").string()).videoFrames, s.FramesCaptured());
    EXPECT_THROW(s.CopyCaptureTo("", false), EngineError);
    EXPECT_THROW(s.CopyCaptureTo("/proc/nope/x.avi", false), EngineError);
    s.CopyCaptureTo((dir / "c.avi").string(), false);
    EXPECT_EQ(fs::file_size(dir / "c.avi"), fs::file_size(dir / "r.avi"));
}

}  // namespace
