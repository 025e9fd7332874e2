#include "engine/dialogs/ProcessorsDialog.h"
#include "controls/EngineWords.h"
#include "controls/ScreenReader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelta {

using namespace engine::processors;

ProcessorsDialog::ProcessorsDialog(bool video, ChainDescription chain, Apply apply, QWidget* parent)
    : QDialog(parent), video_(video), chain_(std::move(chain)), apply_(std::move(apply)) {
    setObjectName(video ? QStringLiteral("VideoProcessors") : QStringLiteral("AudioProcessors"));
    setWindowTitle(video ? tr("Video Processors") : tr("Audio Processors"));
    auto* layout = new QVBoxLayout(this);
    auto* addRow = new QHBoxLayout;
    cmbAvailable = new QComboBox(this);
    cmbAvailable->setObjectName(QStringLiteral("cmbAvailable"));
    for (const FilterSpec& f : video ? VideoFilters() : AudioFilters())
        cmbAvailable->addItem(CatalogText(f.Name), QString::fromStdString(f.Id));
    auto* add = new QPushButton(tr("&Add"), this);
    auto* remove = new QPushButton(tr("&Remove"), this);
    addRow->addWidget(cmbAvailable, 1);
    addRow->addWidget(add);
    addRow->addWidget(remove);
    layout->addLayout(addRow);
    lstChain = new QListWidget(this);
    lstChain->setObjectName(QStringLiteral("lstChain"));
    auto* chainLabel = new QLabel(tr("Processors in &use:"), this);
    chainLabel->setBuddy(lstChain);
    lstChain->setAccessibleName(NameFromLabelText(chainLabel->text()));  // a list reads no buddy
    layout->addWidget(chainLabel);
    layout->addWidget(lstChain, 1);
    paramBox_ = new QWidget(this);
    params_ = new QFormLayout(paramBox_);
    layout->addWidget(paramBox_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    connect(add, &QPushButton::clicked, this,
            [this] { AddFilter(cmbAvailable->currentData().toString().toStdString()); });
    connect(remove, &QPushButton::clicked, this, &ProcessorsDialog::RemoveSelected);
    connect(lstChain, &QListWidget::currentRowChanged, this, &ProcessorsDialog::ShowParams);
    resize(420, 360);
    Changed();
}

void ProcessorsDialog::AddFilter(const std::string& id) {
    const FilterSpec* spec = FindFilter(id, video_);
    if (!spec) return;
    chain_.Entries.push_back(DefaultEntry(*spec));
    Changed();
    lstChain->setCurrentRow(lstChain->count() - 1);
}

void ProcessorsDialog::RemoveSelected() {
    const int row = lstChain->currentRow();
    if (row < 0 || row >= int(chain_.Entries.size())) return;
    chain_.Entries.erase(chain_.Entries.begin() + row);
    Changed();
}

void ProcessorsDialog::SetValue(int entry, const std::string& key, double value) {
    if (entry < 0 || entry >= int(chain_.Entries.size())) return;
    chain_.Entries[size_t(entry)].Values[key] = value;
    chain_ = Sanitised(chain_, video_);  // only values the filter accepts reach the graph
    if (apply_) apply_(chain_);
}

void ProcessorsDialog::Changed() {
    const int row = lstChain->currentRow();
    lstChain->clear();
    for (const ChainEntry& e : chain_.Entries)
        if (const FilterSpec* spec = FindFilter(e.Id, video_)) lstChain->addItem(CatalogText(spec->Name));
    lstChain->setCurrentRow(std::min(row, lstChain->count() - 1));
    ShowParams();
    if (apply_) apply_(chain_);
}

void ProcessorsDialog::ShowParams() {
    while (params_->rowCount() > 0) params_->removeRow(0);
    const int row = lstChain->currentRow();
    if (row < 0 || row >= int(chain_.Entries.size())) return;
    const ChainEntry& entry = chain_.Entries[size_t(row)];
    const FilterSpec* spec = FindFilter(entry.Id, video_);
    if (!spec) return;
    for (const ParamSpec& p : spec->Params) {
        const double value = ParamValue(*spec, entry, p.Key);
        const QString label = CatalogText(p.Label);
        const std::string key = p.Key;
        if (p.Kind == ParamKind::Flag) {
            auto* box = new QCheckBox(paramBox_);
            box->setChecked(value != 0);
            connect(box, &QCheckBox::toggled, this, [this, row, key](bool on) { SetValue(row, key, on ? 1 : 0); });
            params_->addRow(label, box);
        } else if (p.Kind == ParamKind::Choice) {
            auto* box = new QComboBox(paramBox_);
            for (const auto& c : p.Choices) box->addItem(CatalogText(c));
            box->setCurrentIndex(int(value));
            connect(box, &QComboBox::currentIndexChanged, this, [this, row, key](int i) { SetValue(row, key, i); });
            params_->addRow(label, box);
        } else {
            auto* box = new QDoubleSpinBox(paramBox_);
            box->setRange(p.Min, p.Max);
            box->setSingleStep(p.Step);
            box->setDecimals(p.Kind == ParamKind::Integer ? 0 : 2);
            box->setValue(value);
            connect(box, &QDoubleSpinBox::valueChanged, this, [this, row, key](double v) { SetValue(row, key, v); });
            params_->addRow(label, box);
        }
    }
}

}  // namespace pelta
