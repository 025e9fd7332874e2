#include "engine/dialogs/VideoSourceDialog.h"
#include "controls/EngineWords.h"

#include "engine/CaptureEngine.h"
#include "engine/core/devices/wayland/PortalScreenSource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

namespace pelta {

using namespace engine;

VideoSourceDialog::VideoSourceDialog(CaptureEngine& engine, QWidget* parent)
    : PropertyDialog(QStringLiteral("VideoSourceDialog"), tr("Video Source"), parent), engine_(engine) {
    const DeviceInfo* d = engine.Core().SelectedVideoDevice();
    if (!d) return;
    AddInfo(QStringLiteral("lblDevice"), tr("Device:"), DeviceDisplayName(d->DisplayName));
    const VideoSourceSettings s = engine.Core().VideoSettings();
    switch (d->Kind) {
    case DeviceKind::Screen:
        BuildScreen(s, d->Width, d->Height);
        if (d->InputFormat == kPortalInput) {
            // A desktop portal tells no pointer position to follow, and lets the cursor be
            // left out only where it offers both cursor modes.
            chkFollowMouse->setEnabled(false);
            chkDrawCursor->setEnabled((OfferFromUrl(d->Url).CursorModes & 3u) == 3u);
        }
        break;
    case DeviceKind::TestPattern: {
        std::vector<std::pair<QString, QVariant>> items;
        for (const auto& [id, name] : TestPatterns()) items.emplace_back(CatalogText(name), QString::fromStdString(id));
        cmbPattern = AddChoice(QStringLiteral("cmbPattern"), tr("&Pattern:"), items,
                               QString::fromStdString(s.Pattern));
        connect(cmbPattern, &QComboBox::currentIndexChanged, this, [this] {
            VideoSourceSettings now = engine_.Core().VideoSettings();
            now.Pattern = cmbPattern->currentData().toString().toStdString();
            Apply(now);
        });
        break;
    }
    case DeviceKind::Camera:
        BuildCamera(d->Url);
        break;
    default:
        break;
    }
}

VideoSourceDialog::~VideoSourceDialog() = default;

bool VideoSourceDialog::HasContents(const EngineCore& core) {
    const DeviceInfo* d = core.SelectedVideoDevice();
    if (!d || !core.HasVideo()) return false;
    if (d->Kind != DeviceKind::Camera) return d->Kind == DeviceKind::Screen || d->Kind == DeviceKind::TestPattern;
    return core.CameraHasControls();
}

void VideoSourceDialog::BuildScreen(const VideoSourceSettings& s, int screenW, int screenH) {
    spnLeft = AddNumber(QStringLiteral("spnLeft"), tr("&Left:"), 0, std::max(0, screenW - 2), s.RegionX);
    spnTop = AddNumber(QStringLiteral("spnTop"), tr("&Top:"), 0, std::max(0, screenH - 2), s.RegionY);
    spnWidth = AddNumber(QStringLiteral("spnWidth"), tr("&Width:"), 0, screenW, s.RegionWidth,
                         tr("Whole screen"));
    spnHeight = AddNumber(QStringLiteral("spnHeight"), tr("&Height:"), 0, screenH, s.RegionHeight,
                          tr("Whole screen"));
    chkFollowMouse = AddCheck(QStringLiteral("chkFollowMouse"), tr("&Follow the mouse"), s.FollowMouse);
    chkDrawCursor = AddCheck(QStringLiteral("chkDrawCursor"), tr("Draw the &cursor"), s.DrawCursor);
    auto apply = [this] {
        VideoSourceSettings now = engine_.Core().VideoSettings();
        now.RegionX = spnLeft->value();
        now.RegionY = spnTop->value();
        // Both or neither: a region needs a width and a height.
        const bool region = spnWidth->value() > 0 && spnHeight->value() > 0;
        now.RegionWidth = region ? spnWidth->value() : 0;
        now.RegionHeight = region ? spnHeight->value() : 0;
        now.FollowMouse = chkFollowMouse->isChecked();
        now.DrawCursor = chkDrawCursor->isChecked();
        Apply(now);
    };
    for (QSpinBox* box : {spnLeft, spnTop, spnWidth, spnHeight}) connect(box, &QSpinBox::valueChanged, this, apply);
    for (QCheckBox* box : {chkFollowMouse, chkDrawCursor}) connect(box, &QCheckBox::toggled, this, apply);
}

void VideoSourceDialog::BuildCamera(const std::string& path) {
    camera_ = std::make_unique<V4l2Device>();
    std::string why;
    if (!camera_->Open(path, why)) {
        ShowProblem(EngineErrorText(why));
        return;
    }
    for (const CameraControl& c : camera_->Controls()) {
        const QString name = QStringLiteral("ctrl%1").arg(c.Id);
        const QString label = QString::fromStdString(c.Name) + QLatin1Char(':');
        QWidget* w = nullptr;
        switch (c.Type) {
        case CameraControl::Boolean: {
            auto* box = AddCheck(name, QString::fromStdString(c.Name), c.Value != 0);
            connect(box, &QCheckBox::toggled, this, [this, id = c.Id](bool on) { SetCameraControl(id, on ? 1 : 0); });
            w = box;
            break;
        }
        case CameraControl::Menu: {
            std::vector<std::pair<QString, QVariant>> items;
            for (const auto& [value, text] : c.MenuItems) items.emplace_back(QString::fromStdString(text), value);
            auto* box = AddChoice(name, label, items, c.Value);
            connect(box, &QComboBox::currentIndexChanged, this,
                    [this, box, id = c.Id] { SetCameraControl(id, box->currentData().toInt()); });
            w = box;
            break;
        }
        case CameraControl::Button: {
            auto* button = new QPushButton(QString::fromStdString(c.Name), this);
            button->setObjectName(name);
            Form()->addRow(QString(), button);
            connect(button, &QPushButton::clicked, this, [this, id = c.Id] { SetCameraControl(id, 0); });
            w = button;
            break;
        }
        case CameraControl::Integer: {
            // A slider for the range and a number for the exact value, kept together.
            auto* row = new QWidget(this);
            auto* layout = new QHBoxLayout(row);
            layout->setContentsMargins(0, 0, 0, 0);
            auto* slider = new QSlider(Qt::Horizontal, row);
            slider->setRange(c.Min, c.Max);
            slider->setSingleStep(std::max(1, c.Step));
            slider->setValue(c.Value);
            auto* spin = new QSpinBox(row);
            spin->setObjectName(name);
            spin->setRange(c.Min, c.Max);
            spin->setSingleStep(std::max(1, c.Step));
            spin->setValue(c.Value);
            spin->setKeyboardTracking(false);
            layout->addWidget(slider, 1);
            layout->addWidget(spin);
            Form()->addRow(label, row);
            connect(slider, &QSlider::sliderReleased, spin, [slider, spin] { spin->setValue(slider->value()); });
            connect(spin, &QSpinBox::valueChanged, this, [this, slider, id = c.Id](int v) {
                slider->setValue(v);
                SetCameraControl(id, v);
            });
            w = row;
            break;
        }
        }
        if (w) w->setEnabled(!c.ReadOnly && !c.Inactive);
        controls_[c.Id] = w;
    }
}

void VideoSourceDialog::SetCameraControl(uint32_t id, int32_t value) {
    if (!camera_) return;
    std::string why;
    const std::optional<int32_t> taken = camera_->SetControl(id, value, why);
    if (!taken) {
        ShowProblem(EngineErrorText(why));
        return;
    }
    ShowProblem({});
    // Kept so that the device gets it again whenever it is reopened.
    VideoSourceSettings s = engine_.Core().VideoSettings();
    s.CameraControls[id] = *taken;
    engine_.Core().RememberVideoSettings(s);
}

void VideoSourceDialog::Apply(const VideoSourceSettings& s) {
    Attempt([&] { engine_.Core().SetVideoSettings(s); });
}

}  // namespace pelta
