#include "support/ScriptableEngine.h"

#include <QApplication>
#include <QCursor>

#include <algorithm>

namespace pelta::test {

template <typename ItemT>
int32_t ScriptedList<ItemT>::Count() const {
    owner_.Call(name_ + ".Count");
    return static_cast<int32_t>(Items.size());
}
template <typename ItemT>
ItemT ScriptedList<ItemT>::Item(int32_t index) const {
    owner_.Call(name_ + ".Item(" + std::to_string(index) + ")", name_ + ".Item");
    if (index < 0 || index >= static_cast<int32_t>(Items.size()))
        throw EngineError(name_ + ": no entry " + std::to_string(index));
    return Items[static_cast<size_t>(index)];
}
template <typename ItemT>
int32_t ScriptedList<ItemT>::Selected() const {
    owner_.Call(name_ + ".Selected");
    return Sel;
}
template <typename ItemT>
void ScriptedList<ItemT>::SetSelected(int32_t index) {
    owner_.Call(name_ + ".Selected=" + std::to_string(index), name_ + ".Selected=");
    if (index < -1 || index >= static_cast<int32_t>(Items.size()))
        throw EngineError(name_ + ": no entry " + std::to_string(index));
    Sel = index;
    if constexpr (std::is_same_v<ItemT, DeviceItem>) {
        if (name_ == "VideoInputs") {
            auto it = owner_.SizesByDevice.find(index);
            if (it != owner_.SizesByDevice.end()) {
                owner_.Sizes.Items = it->second;
                owner_.Sizes.Sel = it->second.empty() ? -1 : 0;
            } else if (index == -1) {
                owner_.Sizes.Items.clear();
                owner_.Sizes.Sel = -1;
            }
        }
    }
}

template class ScriptedList<DeviceItem>;
template class ScriptedList<CompressorItem>;
template class ScriptedList<RendererItem>;
template class ScriptedList<SizeItem>;

ScriptableEngine::ScriptableEngine(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CaptureEngine"));
}

void ScriptableEngine::Record(const std::string& call) const {
    calls_->push_back(call);
    const QCursor* pointer = QApplication::overrideCursor();
    if (pointer != nullptr && pointer->shape() == Qt::WaitCursor) calledBusy_->insert(call);
}
void ScriptableEngine::MaybeFail(const std::string& member) const {
    auto it = Failures.find(member);
    if (it != Failures.end()) throw EngineError(it->second);
}
bool ScriptableEngine::WasCalled(const std::string& call) const {
    return std::find(Calls.begin(), Calls.end(), call) != Calls.end();
}
std::vector<std::string> ScriptableEngine::CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& c : Calls)
        if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
}

// Numbers as the engine's callers wrote them: "12.5", "10", no trailing zeros.
std::string ScriptableEngine::Text(double v) {
    std::string s = std::to_string(v);
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

void ScriptableEngine::PrepareCapture(int32_t Mode) { Call("PrepareCapture(" + std::to_string(Mode) + ")", "PrepareCapture"); }
void ScriptableEngine::BeginCapture(int32_t Mode) {
    Call("BeginCapture(" + std::to_string(Mode) + ")", "BeginCapture");
    Active = Mode;
    State = EngineStateCode::Capturing;
}
void ScriptableEngine::EndCapture() {
    Call("EndCapture");
    if (State == EngineStateCode::Capturing && !FinishesLater) State = 1;
}
void ScriptableEngine::GrabFrame() {
    Call("GrabFrame");
    ++Captured;
}
bool ScriptableEngine::ModeAvailable(int32_t Mode) const {
    Call("ModeAvailable(" + std::to_string(Mode) + ")", "ModeAvailable");
    return AvailableModes.count(Mode) > 0;
}
void ScriptableEngine::ResetOutput() { Call("ResetOutput"); }
void ScriptableEngine::ReserveCaptureFile(int32_t mb) {
    Call("ReserveCaptureFile(" + std::to_string(mb) + ")", "ReserveCaptureFile");
    ReservedMB = mb;
}
void ScriptableEngine::CopyCaptureTo(const std::string& name, bool flag) {
    Call("CopyCaptureTo(" + name + "," + Text(flag) + ")", "CopyCaptureTo");
}
void ScriptableEngine::FlipFullScreen() {
    Call("FlipFullScreen");
    FullScreen = !FullScreen;
}
bool ScriptableEngine::DialogAvailable(int32_t id) const {
    Call("DialogAvailable(" + std::to_string(id) + ")", "DialogAvailable");
    return AvailableDialogs.count(id) > 0;
}
void ScriptableEngine::OpenDialog(int32_t id, uintptr_t) { Call("OpenDialog(" + std::to_string(id) + ")", "OpenDialog"); }

EngineFactory ScriptableFactory(ScriptableEngine** out, std::function<void(ScriptableEngine&)> script) {
    return [out, script](QWidget* parent) {
        auto* e = new ScriptableEngine(parent);
        if (script) script(*e);
        if (out) *out = e;
        return EngineBinding{e, e};
    };
}

}  // namespace pelta::test
