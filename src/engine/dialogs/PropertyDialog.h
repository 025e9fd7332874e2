// The frame of the engine's property dialogs: a title, a form of settings, a line that
// reports what a device refused, and Close. Every change is applied at once.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QSpinBox;

namespace pelta {

class PropertyDialog : public QDialog {
    Q_OBJECT
public:
    PropertyDialog(const QString& objectName, const QString& title, QWidget* parent);

    // Shows why the last change was refused; an empty text hides the line.
    void ShowProblem(const QString& why);
    QString Problem() const;
    // Runs a change the engine may refuse; its reason is shown, or the last one cleared.
    bool Attempt(const std::function<void()>& change);

    QLabel* lblError = nullptr;

protected:
    QFormLayout* Form() const { return form_; }
    QComboBox* AddChoice(const QString& name, const QString& label,
                         const std::vector<std::pair<QString, QVariant>>& items, const QVariant& current);
    QSpinBox* AddNumber(const QString& name, const QString& label, int min, int max, int value,
                        const QString& special = {});
    QCheckBox* AddCheck(const QString& name, const QString& label, bool on);
    QLabel* AddInfo(const QString& name, const QString& label, const QString& text);

private:
    QFormLayout* form_ = nullptr;
};

}  // namespace pelta
