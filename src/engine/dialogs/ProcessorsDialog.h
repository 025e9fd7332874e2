// The processors property dialog: the user builds a chain of picture filters from a list;
// every change is applied at once so the preview shows it.
#pragma once

#include "engine/core/processors/FilterCatalog.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QFormLayout;
class QListWidget;
class QPushButton;

namespace pelta {

class ProcessorsDialog final : public QDialog {
    Q_OBJECT
public:
    using Apply = std::function<void(const engine::processors::ChainDescription&)>;
    ProcessorsDialog(bool video, engine::processors::ChainDescription chain, Apply apply, QWidget* parent = nullptr);

    const engine::processors::ChainDescription& Chain() const { return chain_; }
    void AddFilter(const std::string& id);
    void RemoveSelected();
    void SetValue(int entry, const std::string& key, double value);

    QComboBox* cmbAvailable = nullptr;
    QListWidget* lstChain = nullptr;

private:
    void Changed();
    void ShowParams();

    bool video_;
    engine::processors::ChainDescription chain_;
    Apply apply_;
    QFormLayout* params_ = nullptr;
    QWidget* paramBox_ = nullptr;
};

}  // namespace pelta
