// Captures from the built-in devices into real files, read back with libavformat.
#include "engine/CaptureEngine.h"
#include "support/Services.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <filesystem>

using namespace pelta;
using namespace pelta::engine;

namespace {

struct Probe {
    bool ok = false;
    int videoStreams = 0, audioStreams = 0;
    std::string videoCodec, audioCodec;
    int width = 0, height = 0, sampleRate = 0;
    int64_t videoFrames = 0;
    double duration = 0;
};

Probe ProbeFile(const std::string& path) {
    Probe p;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return p;
    if (avformat_find_stream_info(fmt, nullptr) < 0) {
        avformat_close_input(&fmt);
        return p;
    }
    p.ok = true;
    p.duration = fmt->duration > 0 ? fmt->duration / double(AV_TIME_BASE) : 0;
    int video = -1;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        const AVCodecParameters* c = fmt->streams[i]->codecpar;
        if (c->codec_type == AVMEDIA_TYPE_VIDEO) {
            ++p.videoStreams;
            video = int(i);
            p.videoCodec = avcodec_get_name(c->codec_id);
            p.width = c->width;
            p.height = c->height;
        } else if (c->codec_type == AVMEDIA_TYPE_AUDIO) {
            ++p.audioStreams;
            p.audioCodec = avcodec_get_name(c->codec_id);
            p.sampleRate = c->sample_rate;
        }
    }
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == video) ++p.videoFrames;
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&fmt);
    return p;
}

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

struct Events final : EngineEvents {
    int progress = 0, ended = 0;
    std::vector<int32_t> errors;
    void WindowKeyDown(int16_t&, int16_t) override {}
    void CaptureEnded() override { ++ended; }
    void CaptureError(int32_t c) override { errors.push_back(c); }
    void CaptureProgress(int32_t) override { ++progress; }
};

class CaptureFiles : public ::testing::Test {
protected:
    void SetUp() override {
        engine_ = std::make_unique<CaptureEngine>();
        engine_->SetEventSink(&events_);
        auto& v = engine_->VideoInputs();
        v.SetSelected(v.Count() - 1);  // Test Pattern
        engine_->VideoSizeList().SetSelected(1);  // 640x480
        auto& a = engine_->AudioInputs();
        a.SetSelected(a.Count() - 1);  // Test Tone
    }
    std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }
    void Record(int32_t mode, int ms) {
        engine_->PrepareCapture(mode);
        engine_->BeginCapture(mode);
        EXPECT_EQ(engine_->EngineState(), EngineStateCode::Capturing);
        Pump(ms);
        engine_->EndCapture();
        Pump(300);
    }
    QTemporaryDir dir_;
    Events events_;
    std::unique_ptr<CaptureEngine> engine_;
};

TEST_F(CaptureFiles, VideoAndSoundIntoAvi) {
    engine_->SetCaptureFileName(Path("both.avi"));
    engine_->SetOutputFormat(OutputFormat::Avi);
    ASSERT_TRUE(engine_->ModeAvailable(CaptureMode::VideoAndAudio));
    Record(CaptureMode::VideoAndAudio, 2000);
    const Probe p = ProbeFile(Path("both.avi"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.videoStreams, 1);
    EXPECT_EQ(p.audioStreams, 1);
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 480);
    EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
    EXPECT_GT(engine_->FramesCaptured(), 30);
    EXPECT_NEAR(p.duration, engine_->ElapsedSeconds(), 0.5);
    EXPECT_GE(events_.progress, 4);
    EXPECT_EQ(events_.ended, 1);
    engine_->EndCapture();  // harmless when idle
    Pump(100);
    EXPECT_EQ(events_.ended, 1);
}

TEST_F(CaptureFiles, SoundOnlyIntoWavAndMp3) {
    engine_->SetCaptureFileName(Path("tone.wav"));
    engine_->SetOutputFormat(OutputFormat::Wave);
    Record(CaptureMode::AudioOnly, 1500);
    Probe wav = ProbeFile(Path("tone.wav"));
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.videoStreams, 0);
    EXPECT_EQ(wav.audioStreams, 1);
    EXPECT_EQ(wav.sampleRate, 48000);
    EXPECT_GT(wav.duration, 1.0);

    engine_->SetCaptureFileName(Path("tone.mp3"));
    engine_->SetOutputFormat(OutputFormat::Mp3);
    Record(CaptureMode::AudioOnly, 1500);
    Probe mp3 = ProbeFile(Path("tone.mp3"));
    ASSERT_TRUE(mp3.ok);
    EXPECT_EQ(mp3.audioCodec, "mp3");
    EXPECT_GT(mp3.duration, 1.0);
}

TEST_F(CaptureFiles, VideoIntoWavIsRefusedBeforeAnythingIsWritten) {
    engine_->SetCaptureFileName(Path("video.wav"));
    engine_->SetOutputFormat(OutputFormat::Wave);
    EXPECT_THROW(engine_->PrepareCapture(CaptureMode::VideoOnly), EngineError);
    EXPECT_FALSE(std::filesystem::exists(Path("video.wav")));
    engine_->SetOutputFormat(OutputFormat::Asf);
    EXPECT_THROW(engine_->PrepareCapture(CaptureMode::VideoAndAudio), EngineError);
}

TEST_F(CaptureFiles, ManualSequenceKeepsEachGrabbedFrame) {
    engine_->SetCaptureFileName(Path("seq.avi"));
    engine_->SetOutputFormat(OutputFormat::Avi);
    engine_->SetTimeLimitOn(false);
    engine_->BeginCapture(CaptureMode::ManualFrames);
    for (int i = 0; i < 5; ++i) {
        Pump(150);
        engine_->GrabFrame();
    }
    Pump(200);
    engine_->EndCapture();
    Pump(300);
    EXPECT_EQ(engine_->FramesCaptured(), 5);
    const Probe p = ProbeFile(Path("seq.avi"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.videoFrames, 5);
}

TEST_F(CaptureFiles, TimeLimitEndsTheCaptureByItself) {
    engine_->SetCaptureFileName(Path("limit.avi"));
    engine_->SetOutputFormat(OutputFormat::Avi);
    engine_->SetTimeLimitOn(true);
    engine_->SetTimeLimitSeconds(1.0);
    engine_->PrepareCapture(CaptureMode::VideoOnly);
    engine_->BeginCapture(CaptureMode::VideoOnly);
    QElapsedTimer t;
    t.start();
    while (events_.ended == 0 && t.elapsed() < 8000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(events_.ended, 1);
    const Probe p = ProbeFile(Path("limit.avi"));
    ASSERT_TRUE(p.ok);
    EXPECT_NEAR(p.duration, 1.0, 0.1);
}

TEST_F(CaptureFiles, FrameRateOverrideWritesThatRate) {
    engine_->SetCaptureFileName(Path("rate.avi"));
    engine_->SetOutputFormat(OutputFormat::Avi);
    engine_->SetFrameRateOn(true);
    engine_->SetFrameRateValue(10);
    engine_->SetTimeLimitOn(true);
    engine_->SetTimeLimitSeconds(2);
    engine_->PrepareCapture(CaptureMode::VideoOnly);
    engine_->BeginCapture(CaptureMode::VideoOnly);
    QElapsedTimer t;
    t.start();
    while (events_.ended == 0 && t.elapsed() < 8000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    const Probe p = ProbeFile(Path("rate.avi"));
    ASSERT_TRUE(p.ok);
    EXPECT_NEAR(p.videoFrames, 20, 1);
    EXPECT_NEAR(p.duration, 2.0, 0.11);
    EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
}

}  // namespace

namespace {

// Asked for 60 pictures a second, the pattern itself runs at 60: none is repeated.
TEST_F(CaptureFiles, SixtyFramesASecondComeFromTheDeviceItself) {
    engine_->SetCaptureFileName(Path("sixty.avi"));
    engine_->SetOutputFormat(OutputFormat::Avi);
    engine_->SetFrameRateOn(true);
    engine_->SetFrameRateValue(60);
    engine_->SetTimeLimitOn(true);
    engine_->SetTimeLimitSeconds(2);
    engine_->PrepareCapture(CaptureMode::VideoOnly);
    engine_->BeginCapture(CaptureMode::VideoOnly);
    EXPECT_EQ(av_cmp_q(engine_->Core().CurrentVideoFormat().FrameRate, AVRational{60, 1}), 0);
    QElapsedTimer t;
    t.start();
    while (events_.ended == 0 && t.elapsed() < 8000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    const Probe p = ProbeFile(Path("sixty.avi"));
    ASSERT_TRUE(p.ok);
    EXPECT_NEAR(p.videoFrames, 120, 1);
    EXPECT_EQ(p.videoFrames, engine_->FramesCaptured());
    EXPECT_LE(engine_->FramesDropped(), 3);
    // The next capture without the override gets the device's own rate back.
    engine_->SetFrameRateOn(false);
    engine_->SetTimeLimitSeconds(0.5);
    engine_->BeginCapture(CaptureMode::VideoOnly);
    EXPECT_EQ(av_cmp_q(engine_->Core().CurrentVideoFormat().FrameRate, AVRational{30, 1}), 0);
    engine_->EndCapture();
}

}  // namespace
