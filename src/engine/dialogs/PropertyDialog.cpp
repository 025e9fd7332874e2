#include "engine/dialogs/PropertyDialog.h"
#include "controls/EngineWords.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace pelta {

PropertyDialog::PropertyDialog(const QString& objectName, const QString& title, QWidget* parent) : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    form_ = new QFormLayout;
    layout->addLayout(form_);
    lblError = new QLabel(this);
    lblError->setObjectName(QStringLiteral("lblError"));
    lblError->setWordWrap(true);
    lblError->setStyleSheet(QStringLiteral("color: #b00000"));
    lblError->hide();
    layout->addWidget(lblError);
    layout->addStretch(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
}

void PropertyDialog::ShowProblem(const QString& why) {
    lblError->setText(why);
    lblError->setVisible(!why.isEmpty());
}

QString PropertyDialog::Problem() const { return lblError->text(); }

bool PropertyDialog::Attempt(const std::function<void()>& change) {
    try {
        change();
        ShowProblem({});
        return true;
    } catch (const std::exception& e) {
        ShowProblem(EngineErrorText(std::string(e.what())));
        return false;
    }
}

QComboBox* PropertyDialog::AddChoice(const QString& name, const QString& label,
                                     const std::vector<std::pair<QString, QVariant>>& items, const QVariant& current) {
    auto* box = new QComboBox(this);
    box->setObjectName(name);
    for (const auto& [text, value] : items) box->addItem(text, value);
    const int at = box->findData(current);
    if (at >= 0) box->setCurrentIndex(at);
    form_->addRow(label, box);
    return box;
}

QSpinBox* PropertyDialog::AddNumber(const QString& name, const QString& label, int min, int max, int value,
                                    const QString& special) {
    auto* box = new QSpinBox(this);
    box->setObjectName(name);
    box->setRange(min, max);
    if (!special.isEmpty()) box->setSpecialValueText(special);
    box->setValue(value);
    box->setKeyboardTracking(false);  // typing "1280" is one change, not four
    form_->addRow(label, box);
    return box;
}

QCheckBox* PropertyDialog::AddCheck(const QString& name, const QString& label, bool on) {
    auto* box = new QCheckBox(label, this);
    box->setObjectName(name);
    box->setChecked(on);
    form_->addRow(QString(), box);
    return box;
}

QLabel* PropertyDialog::AddInfo(const QString& name, const QString& label, const QString& text) {
    auto* info = new QLabel(text, this);
    info->setObjectName(name);
    form_->addRow(label, info);
    return info;
}

}  // namespace pelta
