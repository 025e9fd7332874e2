// The engine's property dialogs as the user reaches them: which are offered for the
// selection, what each one changes in the engine, and the preview taps they lead to.
#include "engine/CaptureEngine.h"
#include "engine/core/record/CaptureSession.h"
#include "engine/dialogs/AudioFormatDialog.h"
#include "engine/dialogs/CaptureSettingsDialog.h"
#include "engine/dialogs/CompressorDialog.h"
#include "engine/dialogs/PreviewDialogs.h"
#include "engine/dialogs/ProcessorsDialog.h"
#include "engine/dialogs/VideoFormatDialog.h"
#include "engine/dialogs/VideoSourceDialog.h"
#include "EngineTest.h"
#include "RecordProbe.h"
#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>

#include <functional>

using namespace pelta;
using namespace pelta::engine;

namespace {

using pelta::test::Pump;
using pelta::test::PumpUntil;

using pelta::test::IndexNamed;

void Choose(QComboBox* box, const QVariant& value) {
    const int at = box->findData(value);
    ASSERT_GE(at, 0) << value.toString().toStdString();
    box->setCurrentIndex(at);
}

// A fixed pattern (colour bars) makes pictures comparable over time.
class PropertyDialogs : public test::EngineTest {
protected:
    void Ready() override {
        engine_ = std::make_unique<CaptureEngine>();
        engine_->resize(320, 240);
        engine_->show();
    }
    void SelectPattern(bool bars) {
        test::UseTestPattern(*engine_, 0);  // 320x240
        if (bars) {
            VideoSourceSettings s = engine_->Core().VideoSettings();
            s.Pattern = "smptebars";
            engine_->Core().SetVideoSettings(s);
            test::Settle(*engine_);
        }
    }
    void SelectTone() { test::UseTestTone(*engine_); }
    // Opens dialog `id` and answers it with OK once `fill` has filled it in.
    template <typename Dialog>
    void Accept(int32_t id, std::function<void(Dialog&)> fill) {
        prompts_.DialogScript = [fill](QDialog& d) {
            fill(static_cast<Dialog&>(d));
            return int(QDialog::Accepted);
        };
        engine_->OpenDialog(id, 0);
    }
    test::ScriptedPrompts prompts_;
};

TEST_F(PropertyDialogs, AvailabilityFollowsTheSelection) {
    CaptureEngine& e = *engine_;
    // Nothing selected: only how captures are written can be set.
    for (int id : {0, 1, 2, 3, 7, 14, 15, 18, 19, 20}) EXPECT_FALSE(e.DialogAvailable(id)) << id;
    EXPECT_TRUE(e.DialogAvailable(DialogId::CaptureProperties));

    SelectPattern(false);
    for (int id : {0, 1, 2, 18, 20}) EXPECT_TRUE(e.DialogAvailable(id)) << id;
    for (bool tone : {false, true}) {
        if (tone) SelectTone();
        for (int id : {DialogId::AudioFormat, DialogId::AudioProcessors}) EXPECT_EQ(e.DialogAvailable(id), tone) << id;
    }

    // No Recompression has no settings; Motion JPEG has.
    EXPECT_FALSE(e.DialogAvailable(DialogId::VideoCompressor));
    e.VideoCompressorList().SetSelected(IndexNamed(e.VideoCompressorList(), "Motion JPEG"));
    EXPECT_TRUE(e.DialogAvailable(DialogId::VideoCompressor));
    // PCM has nothing to set, but an MP3 file is always MP3 with a bit rate.
    e.AudioCompressorList().SetSelected(IndexNamed(e.AudioCompressorList(), "PCM 16-bit"));
    EXPECT_FALSE(e.DialogAvailable(DialogId::AudioCompressor));
    e.SetOutputFormat(OutputFormat::Mp3);
    EXPECT_TRUE(e.DialogAvailable(DialogId::AudioCompressor));

    e.VideoInputs().SetSelected(-1);
    test::Settle(e);
    EXPECT_FALSE(e.DialogAvailable(DialogId::VideoFormat));
    EXPECT_FALSE(e.DialogAvailable(DialogId::VideoSource));
    EXPECT_THROW(e.OpenDialog(DialogId::VideoFormat, 0), EngineError);
    EXPECT_THROW(e.OpenDialog(DialogId::VideoProcessors, 0), EngineError);
}

TEST_F(PropertyDialogs, AScreenRegionIsGrabbedAtItsOwnSize) {
    engine_->VideoInputs().SetSelected(0);  // the screen
    Accept<VideoSourceDialog>(DialogId::VideoSource, [](auto& dialog) {
        EXPECT_NE(dialog.spnLeft, nullptr);
        dialog.spnLeft->setValue(100);
        dialog.spnTop->setValue(50);
        dialog.spnWidth->setValue(321);  // made even for the encoders
        dialog.spnHeight->setValue(240);
        dialog.chkDrawCursor->setChecked(false);
    });
    test::Settle(*engine_);
    const VideoSourceSettings s = engine_->Core().VideoSettings();
    EXPECT_EQ(s.RegionX, 100);
    EXPECT_FALSE(s.DrawCursor);
    const VideoFormat vf = engine_->Core().CurrentVideoFormat();
    EXPECT_EQ(vf.Width, 320);
    EXPECT_EQ(vf.Height, 240);
}

// Compressor settings first: the sound format chosen below leaves MP3 fewer bit rates.
TEST_F(PropertyDialogs, CompressorCaptureAndDeviceDialogsReachTheRecorderAndTheDevices) {
    SelectPattern(false);
    SelectTone();
    auto& e = *engine_;
    e.VideoCompressorList().SetSelected(IndexNamed(e.VideoCompressorList(), "Motion JPEG"));
    Accept<CompressorDialog>(DialogId::VideoCompressor, [](auto& dialog) { dialog.SetValue("quality", 20); });
    EXPECT_EQ(e.Recorder().EncoderSettingsFor("mjpeg").Get("quality", 0), 20);

    e.SetOutputFormat(OutputFormat::Mp3);
    Accept<CompressorDialog>(DialogId::AudioCompressor, [](auto& dialog) { dialog.SetValue("bitrate", 192); });
    EXPECT_EQ(e.Recorder().EncoderSettingsFor("libmp3lame").Get("bitrate", 0), 192);

    Accept<CaptureSettingsDialog>(DialogId::CaptureProperties, [](auto& dialog) {
        dialog.spnVideoQueue->setValue(30);
        Choose(dialog.cmbWhenBehind, true);
        EXPECT_EQ(dialog.lblEncoderBehind->text(), QStringLiteral("0"));
    });
    EXPECT_EQ(e.Recorder().QueueSettings().VideoFrames, 30);
    EXPECT_TRUE(e.Recorder().QueueSettings().DropOldest);

    Accept<VideoFormatDialog>(DialogId::VideoFormat, [](auto& dialog) {
        Choose(dialog.cmbRate, 15);
        Choose(dialog.cmbSize, 1);  // 640x480
        EXPECT_TRUE(dialog.Problem().isEmpty()) << dialog.Problem().toStdString();
    });
    test::Settle(e);
    VideoFormat vf = e.Core().CurrentVideoFormat();
    EXPECT_EQ(av_cmp_q(vf.FrameRate, AVRational{15, 1}), 0);
    EXPECT_EQ(vf.Width, 640);
    EXPECT_EQ(e.VideoSizeList().Selected(), 1);

    Accept<VideoSourceDialog>(DialogId::VideoSource, [](auto& dialog) {
        EXPECT_EQ(dialog.spnLeft, nullptr);  // a pattern has no screen region
        Choose(dialog.cmbPattern, QStringLiteral("smptebars"));
    });
    EXPECT_EQ(e.Core().VideoSettings().Pattern, "smptebars");
    // Kept for the device: the rate chosen before is still there.
    EXPECT_EQ(e.Core().VideoSettings().FrameRate, 15);

    Accept<AudioFormatDialog>(DialogId::AudioFormat, [](auto& dialog) {
        Choose(dialog.cmbRate, 22050);
        Choose(dialog.cmbChannels, 1);
    });
    test::Settle(e);
    const AudioFormat af = e.Core().CurrentAudioFormat();
    EXPECT_EQ(af.SampleRate, 22050);
    EXPECT_EQ(af.Channels, 1);
}

TEST_F(PropertyDialogs, PreviewDialogsAndPausingWhileOpen) {
    SelectPattern(false);
    engine_->SetPreviewFit(0);
    engine_->SetPreviewOn(true);
    EXPECT_TRUE(PumpUntil([&] { return engine_->PictureRectNow() == PictureRect{0, 0, 320, 240}; }));
    Accept<VideoDisplayDialog>(DialogId::VideoDisplay, [](auto& dialog) {
        Choose(dialog.cmbAspect, 2);
        dialog.chkSmooth->setChecked(false);
    });
    EXPECT_EQ(engine_->Preview().Aspect, 2);
    EXPECT_FALSE(engine_->Preview().Smooth);
    // Fit now keeps a 16:9 shape: letterboxed in the 4:3 window.
    EXPECT_TRUE(PumpUntil([&] { return engine_->PictureRectNow() == PictureRect{0, 30, 320, 180}; }));

    Accept<PreviewPropertiesDialog>(DialogId::PreviewProperties, [](auto& dialog) {
        Choose(dialog.cmbQuality, 2);
        Choose(dialog.cmbTap, 1);
    });
    EXPECT_EQ(engine_->Preview().Quality, 2);
    EXPECT_EQ(engine_->PreviewTap(), 1);

    // With PreviewDuringProperties off the preview stands still while a dialog is open: at
    // most the picture already on its way when it opened is drawn (at 30 a second, a running
    // preview shows about twelve in the time).
    engine_->SetPreviewDuringProperties(false);
    int64_t shownWhileOpen = -1;
    prompts_.DialogScript = [&](QDialog&) {
        const int64_t before = engine_->PreviewPicturesShown();
        Pump(400);
        shownWhileOpen = engine_->PreviewPicturesShown() - before;
        return int(QDialog::Accepted);
    };  // kept for the second opening below
    engine_->OpenDialog(DialogId::VideoDisplay, 0);
    EXPECT_LE(shownWhileOpen, 1);
    EXPECT_TRUE(test::PumpForPictures(*engine_)) << "the preview goes on once the dialog has closed";
    engine_->SetPreviewDuringProperties(true);
    engine_->OpenDialog(DialogId::VideoDisplay, 0);
    EXPECT_GT(shownWhileOpen, 3);
}

TEST_F(PropertyDialogs, AudioProcessorsChangeTheSoundTheEngineHears) {
    SelectTone();
    EXPECT_TRUE(PumpUntil([&] { return engine_->SoundLevel() > 0.05; }));  // the tone: an eighth of full scale
    Accept<ProcessorsDialog>(DialogId::AudioProcessors, [](auto& dialog) {
        dialog.AddFilter("volume");
        dialog.SetValue(0, "gain", 0.0);
    });
    EXPECT_TRUE(engine_->AudioProcessors().Active());
    EXPECT_TRUE(PumpUntil([&] { return engine_->SoundLevel() < 0.005; }));
}

double MeanDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) return -1;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// The first picture of a video file.
QImage FirstPicture(const std::string& path) {
    QImage out;
    test::ForEachPicture(path, [&](const AVFrame* f) {
        if (out.isNull()) out = QImage(f->data[0], f->width, f->height, f->linesize[0], QImage::Format_BGR888).copy();
    });
    return out;
}

bool Bluish(QRgb p) { return qBlue(p) > 150 && qRed(p) < 60 && qGreen(p) < 60; }
bool Greyish(QRgb p) { return qRed(p) > 150 && std::abs(qRed(p) - qBlue(p)) < 30 && std::abs(qRed(p) - qGreen(p)) < 30; }
// A pixel of the engine's still picture (BGRA), or black while there is none.
QRgb StillPixel(CaptureEngine& e, int x, int y) {
    try {
        const StillPicture s = e.StillPictureHandle();
        const uint8_t* p = &s.Pixels[size_t(y) * size_t(s.Stride) + size_t(x) * 4];
        return qRgb(p[2], p[1], p[0]);
    } catch (const EngineError&) {
        return qRgb(0, 0, 0);
    }
}

TEST_F(PropertyDialogs, TheTapsShowWhatTheCompressorAndAMirrorProcessorDoAsTheFileDoes) {
    SelectPattern(true);  // colour bars: grey on the left, blue on the right
    auto& e = *engine_;
    e.SetPreviewFit(2);
    e.SetPreviewOn(true);
    ASSERT_TRUE(PumpUntil([&] { return !e.PreviewImage().isNull(); }));
    ASSERT_TRUE(Greyish(e.PreviewImage().pixel(5, 40)));
    ASSERT_TRUE(Bluish(e.PreviewImage().pixel(314, 40)));
    const QImage source = e.PreviewImage().copy();
    Pump(200);
    EXPECT_LT(MeanDifference(source, e.PreviewImage()), 0.5);  // the bars stand still

    // The compressor's tap shows what a low quality does.
    e.VideoCompressorList().SetSelected(IndexNamed(e.VideoCompressorList(), "Motion JPEG"));
    record::EncoderSettings worst = e.Recorder().EncoderSettingsFor("mjpeg");
    worst.Set("quality", 31);
    e.Recorder().SetEncoderSettings("mjpeg", worst);
    e.SetPreviewTap(2);
    PumpUntil([&] { return MeanDifference(source, e.PreviewImage()) > 1.5; });
    const QImage compressed = e.PreviewImage().copy();
    EXPECT_GT(MeanDifference(source, compressed), 1.5);
    // With the best quality the compressed picture comes close again.
    record::EncoderSettings best = worst;
    best.Set("quality", 2);
    e.Recorder().SetEncoderSettings("mjpeg", best);
    EXPECT_TRUE(PumpUntil([&] { return MeanDifference(source, e.PreviewImage()) < MeanDifference(source, compressed); }));

    // A mirror processor mirrors the processors' tap, the stills and the file until removed.
    e.SetPreviewTap(1);
    Accept<ProcessorsDialog>(DialogId::VideoProcessors, [](auto& dialog) { dialog.AddFilter("mirror"); });
    EXPECT_TRUE(PumpUntil([&] { return Bluish(e.PreviewImage().pixel(5, 40)); }));
    EXPECT_TRUE(Greyish(e.PreviewImage().pixel(314, 40)));
    EXPECT_TRUE(PumpUntil([&] { return Bluish(StillPixel(e, 5, 40)); })) << "a still of the processed picture";
    // The source tap still shows the device's own picture.
    e.SetPreviewTap(0);
    EXPECT_TRUE(PumpUntil([&] { return Greyish(e.PreviewImage().pixel(5, 40)); }));

    e.VideoCompressorList().SetSelected(IndexNamed(e.VideoCompressorList(), "FFV1 lossless"));
    Begin("mirror.avi", OutputFormat::Avi, CaptureMode::VideoOnly, 0.5);
    test::PumpUntil([&] { return e.EngineState() != EngineStateCode::Capturing; }, 5000);
    const QImage first = FirstPicture(Path("mirror.avi"));
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(Bluish(first.pixel(5, 40)));
    EXPECT_TRUE(Greyish(first.pixel(first.width() - 6, 40)));

    // Removed in the dialog, the picture is the device's own again.
    Accept<ProcessorsDialog>(DialogId::VideoProcessors, [](auto& dialog) {
        EXPECT_EQ(dialog.lstChain->count(), 1);
        dialog.lstChain->setCurrentRow(0);
        dialog.RemoveSelected();
    });
    EXPECT_FALSE(e.VideoProcessors().Active());
    EXPECT_TRUE(PumpUntil([&] { return Greyish(StillPixel(e, 5, 40)); }));
}

}  // namespace
