#include "engine/dialogs/PreviewDialogs.h"

#include "engine/CaptureEngine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

namespace pelta {

using namespace engine;

VideoDisplayDialog::VideoDisplayDialog(CaptureEngine& engine, QWidget* parent)
    : PropertyDialog(QStringLiteral("VideoDisplayDialog"), tr("Video Display"), parent), engine_(engine) {
    const PreviewSettings s = engine.Preview();
    cmbAspect = AddChoice(QStringLiteral("cmbAspect"), tr("&Aspect ratio:"),
                          {{tr("As the picture"), 0}, {QStringLiteral("4:3"), 1}, {QStringLiteral("16:9"), 2}},
                          s.Aspect);
    chkSmooth = AddCheck(QStringLiteral("chkSmooth"), tr("&Smooth when scaling"), s.Smooth);
    spnMaxRate = AddNumber(QStringLiteral("spnMaxRate"), tr("&Most pictures a second:"), 0, 120, s.MaxRate,
                           tr("Every picture"));
    auto apply = [this] {
        PreviewSettings now = engine_.Preview();
        now.Aspect = cmbAspect->currentData().toInt();
        now.Smooth = chkSmooth->isChecked();
        now.MaxRate = spnMaxRate->value();
        engine_.SetPreview(now);
    };
    connect(cmbAspect, &QComboBox::currentIndexChanged, this, apply);
    connect(chkSmooth, &QCheckBox::toggled, this, apply);
    connect(spnMaxRate, &QSpinBox::valueChanged, this, apply);
}

PreviewPropertiesDialog::PreviewPropertiesDialog(CaptureEngine& engine, QWidget* parent)
    : PropertyDialog(QStringLiteral("PreviewPropertiesDialog"), tr("Preview Properties"), parent),
      engine_(engine) {
    const PreviewSettings s = engine.Preview();
    cmbQuality = AddChoice(QStringLiteral("cmbQuality"), tr("&Quality:"),
                           {{tr("Fast"), 0}, {tr("Good"), 1}, {tr("Best"), 2}},
                           s.Quality);
    spnCaptureRate = AddNumber(QStringLiteral("spnCaptureRate"), tr("&While capturing, at most:"), 0, 120,
                               s.RateWhileCapturing, tr("Same as otherwise"));
    spnCaptureRate->setSuffix(tr(" pictures a second"));
    cmbTap = AddChoice(QStringLiteral("cmbTap"), tr("&Show the picture:"),
                       {{tr("From the device"), 0},
                        {tr("After the processors"), 1},
                        {tr("After the compressor"), 2}},
                       engine.PreviewTap());
    connect(cmbQuality, &QComboBox::currentIndexChanged, this, [this] {
        PreviewSettings now = engine_.Preview();
        now.Quality = cmbQuality->currentData().toInt();
        engine_.SetPreview(now);
    });
    connect(spnCaptureRate, &QSpinBox::valueChanged, this, [this](int v) {
        PreviewSettings now = engine_.Preview();
        now.RateWhileCapturing = v;
        engine_.SetPreview(now);
    });
    connect(cmbTap, &QComboBox::currentIndexChanged, this,
            [this] { engine_.SetPreviewTap(cmbTap->currentData().toInt()); });
}

}  // namespace pelta
