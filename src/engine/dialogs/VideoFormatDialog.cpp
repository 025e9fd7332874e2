#include "engine/dialogs/VideoFormatDialog.h"
#include "controls/EngineWords.h"

#include "engine/CaptureEngine.h"
#include "engine/core/devices/V4l2Device.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <algorithm>
#include <cmath>

namespace pelta {

using namespace engine;

namespace {

// The camera's formats as the driver lists them; empty for other devices.
std::vector<CameraFormat> CameraFormats(const DeviceInfo& d) {
    if (d.Kind != DeviceKind::Camera) return {};
    V4l2Device camera;
    std::string why;
    if (!camera.Open(d.Url, why)) return {};
    return UsableFormats(camera);
}

QString RateText(double fps) {
    return std::fabs(fps - std::round(fps)) < 0.005 ? QString::number(int(std::round(fps))) + QCoreApplication::translate("VideoFormatDialog", " fps")
                                                   : QString::number(fps, 'f', 2) + QCoreApplication::translate("VideoFormatDialog", " fps");
}

}  // namespace

VideoFormatDialog::VideoFormatDialog(CaptureEngine& engine, QWidget* parent)
    : PropertyDialog(QStringLiteral("VideoFormatDialog"), tr("Video Format"), parent), engine_(engine) {
    const DeviceInfo* d = engine.Core().SelectedVideoDevice();
    if (d) cameraFormats_ = CameraFormats(*d);
    AddInfo(QStringLiteral("lblDevice"), tr("Device:"),
            d ? DeviceDisplayName(d->DisplayName) : QString());
    std::vector<std::pair<QString, QVariant>> sizes;
    SizeList& list = engine.VideoSizeList();
    for (int32_t i = 0; i < list.Count(); ++i) {
        const SizeItem s = list.Item(i);
        sizes.emplace_back(tr("%1 x %2").arg(s.Width).arg(s.Height), i);
    }
    cmbSize = AddChoice(QStringLiteral("cmbSize"), tr("&Size:"), sizes, list.Selected());
    const VideoSourceSettings settings = engine.Core().VideoSettings();
    if (d && d->Kind == DeviceKind::Screen && settings.RegionWidth > 0) {
        // A region is grabbed at its own size.
        cmbSize->setEnabled(false);
        cmbSize->setToolTip(tr("The screen region chosen in Video Source sets the size."));
    }
    cmbRate = AddChoice(QStringLiteral("cmbRate"), tr("&Frame rate:"), {}, {});
    std::vector<std::pair<QString, QVariant>> formats;
    if (d && d->Kind == DeviceKind::Camera) {
        formats.emplace_back(tr("Driver's choice"), QString());
        for (const CameraFormat& f : cameraFormats_)
            formats.emplace_back(QString::fromStdString(f.Description + " (" + FourCCText(f.FourCC) + ")"),
                                 QString::fromStdString(FfmpegInputFormat(f.FourCC)));
    } else {
        const char* name = av_get_pix_fmt_name(engine.Core().CurrentVideoFormat().PixelFormat);
        formats.emplace_back(QString::fromLatin1(name ? name : "?"), QString());
    }
    cmbPixelFormat = AddChoice(QStringLiteral("cmbPixelFormat"), tr("&Pixel format:"), formats,
                               QString::fromStdString(settings.InputFormat));
    cmbPixelFormat->setEnabled(formats.size() > 1);
    FillRates();
    connect(cmbSize, &QComboBox::currentIndexChanged, this, [this] {
        if (filling_) return;
        ApplySize();
        FillRates();
    });
    connect(cmbRate, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) ApplyRateAndFormat();
    });
    connect(cmbPixelFormat, &QComboBox::currentIndexChanged, this, [this] {
        if (filling_) return;
        FillRates();
        ApplyRateAndFormat();
    });
}

// Rates offered: a camera's for its format and size; any common rate for the others.
void VideoFormatDialog::FillRates() {
    filling_ = true;
    const DeviceInfo* d = engine_.Core().SelectedVideoDevice();
    const int current = engine_.Core().VideoSettings().FrameRate;
    cmbRate->clear();
    cmbRate->addItem(tr("Device default"), 0);
    if (d && d->Kind == DeviceKind::Camera) {
        const std::string wanted = cmbPixelFormat->currentData().toString().toStdString();
        const int sizeIndex = cmbSize->currentData().toInt();
        const SizeItem size = sizeIndex >= 0 && sizeIndex < engine_.VideoSizeList().Count()
                                  ? engine_.VideoSizeList().Item(sizeIndex)
                                  : SizeItem{};
        std::vector<int> seen;
        for (const CameraFormat& f : cameraFormats_) {
            if (!wanted.empty() && FfmpegInputFormat(f.FourCC) != wanted) continue;
            for (const CameraSize& s : f.Sizes) {
                if (s.Width != size.Width || s.Height != size.Height) continue;
                for (const CameraRate& r : s.Rates) {
                    const int fps = int(std::round(r.Fps()));
                    if (fps <= 0 || std::find(seen.begin(), seen.end(), fps) != seen.end()) continue;
                    seen.push_back(fps);
                    cmbRate->addItem(RateText(r.Fps()), fps);
                }
            }
        }
    } else {
        for (int fps : CommonFrameRates()) cmbRate->addItem(RateText(fps), fps);
    }
    const int at = cmbRate->findData(current);
    cmbRate->setCurrentIndex(at >= 0 ? at : 0);
    filling_ = false;
}

void VideoFormatDialog::ApplySize() {
    Attempt([&] { engine_.VideoSizeList().SetSelected(cmbSize->currentData().toInt()); });
}

void VideoFormatDialog::ApplyRateAndFormat() {
    VideoSourceSettings s = engine_.Core().VideoSettings();
    s.FrameRate = cmbRate->currentData().toInt();
    if (cmbPixelFormat->isEnabled()) s.InputFormat = cmbPixelFormat->currentData().toString().toStdString();
    Attempt([&] { engine_.Core().SetVideoSettings(s); });
}

}  // namespace pelta
