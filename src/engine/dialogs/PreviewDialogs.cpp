#include "engine/dialogs/PreviewDialogs.h"

#include "engine/CaptureEngine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

namespace pelta {

using namespace engine;

VideoDisplayDialog::VideoDisplayDialog(CaptureEngine& engine, QWidget* parent)
    : PropertyDialog(QStringLiteral("VideoDisplayDialog"), QStringLiteral("Video Display"), parent), engine_(engine) {
    const PreviewSettings s = engine.Preview();
    cmbAspect = AddChoice(QStringLiteral("cmbAspect"), QStringLiteral("&Aspect ratio:"),
                          {{QStringLiteral("As the picture"), 0}, {QStringLiteral("4:3"), 1}, {QStringLiteral("16:9"), 2}},
                          s.Aspect);
    chkSmooth = AddCheck(QStringLiteral("chkSmooth"), QStringLiteral("&Smooth when scaling"), s.Smooth);
    spnMaxRate = AddNumber(QStringLiteral("spnMaxRate"), QStringLiteral("&Most pictures a second:"), 0, 120, s.MaxRate,
                           QStringLiteral("Every picture"));
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
    : PropertyDialog(QStringLiteral("PreviewPropertiesDialog"), QStringLiteral("Preview Properties"), parent),
      engine_(engine) {
    const PreviewSettings s = engine.Preview();
    cmbQuality = AddChoice(QStringLiteral("cmbQuality"), QStringLiteral("&Quality:"),
                           {{QStringLiteral("Fast"), 0}, {QStringLiteral("Good"), 1}, {QStringLiteral("Best"), 2}},
                           s.Quality);
    spnCaptureRate = AddNumber(QStringLiteral("spnCaptureRate"), QStringLiteral("&While capturing, at most:"), 0, 120,
                               s.RateWhileCapturing, QStringLiteral("Same as otherwise"));
    spnCaptureRate->setSuffix(QStringLiteral(" pictures a second"));
    cmbTap = AddChoice(QStringLiteral("cmbTap"), QStringLiteral("&Show the picture:"),
                       {{QStringLiteral("From the device"), 0},
                        {QStringLiteral("After the processors"), 1},
                        {QStringLiteral("After the compressor"), 2}},
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
