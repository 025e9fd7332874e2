#include "support/ScriptableEngine.h"

#include <algorithm>

namespace pelta::test {

namespace {
std::string Num(double v) {
    std::string s = std::to_string(v);
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}
std::string B(bool v) { return v ? "True" : "False"; }
}  // namespace

template <typename ItemT>
int32_t ScriptedList<ItemT>::Count() const {
    owner_.Record(name_ + ".Count");
    owner_.MaybeFail(name_ + ".Count");
    return static_cast<int32_t>(Items.size());
}
template <typename ItemT>
ItemT ScriptedList<ItemT>::Item(int32_t index) const {
    owner_.Record(name_ + ".Item(" + std::to_string(index) + ")");
    owner_.MaybeFail(name_ + ".Item");
    if (index < 0 || index >= static_cast<int32_t>(Items.size()))
        throw EngineError(name_ + ": no entry " + std::to_string(index));
    return Items[static_cast<size_t>(index)];
}
template <typename ItemT>
int32_t ScriptedList<ItemT>::Selected() const {
    owner_.Record(name_ + ".Selected");
    owner_.MaybeFail(name_ + ".Selected");
    return Sel;
}
template <typename ItemT>
void ScriptedList<ItemT>::SetSelected(int32_t index) {
    owner_.Record(name_ + ".Selected=" + std::to_string(index));
    owner_.MaybeFail(name_ + ".Selected=");
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

void ScriptableEngine::Record(const std::string& call) const { calls_->push_back(call); }
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

void ScriptableEngine::RaiseProgress() { if (Sink) Sink->CaptureProgress(0); }
void ScriptableEngine::RaiseEnded() { if (Sink) Sink->CaptureEnded(); }
void ScriptableEngine::RaiseError(int32_t code) { if (Sink) Sink->CaptureError(code); }
void ScriptableEngine::RaiseKeyDown(int16_t key, int16_t shift) { if (Sink) Sink->WindowKeyDown(key, shift); }

#define READ(member, expr)      \
    Record(member);             \
    MaybeFail(member);          \
    return expr;
#define WRITE(member, text, stmt) \
    Record(std::string(member) + "=" + (text)); \
    MaybeFail(std::string(member) + "=");       \
    stmt;

void ScriptableEngine::SetEventSink(EngineEvents* sink) { Sink = sink; }
void ScriptableEngine::PrepareCapture(int32_t Mode) {
    Record("PrepareCapture(" + std::to_string(Mode) + ")");
    MaybeFail("PrepareCapture");
}
void ScriptableEngine::BeginCapture(int32_t Mode) {
    Record("BeginCapture(" + std::to_string(Mode) + ")");
    MaybeFail("BeginCapture");
    Active = Mode;
    State = EngineStateCode::Capturing;
}
void ScriptableEngine::EndCapture() {
    Record("EndCapture");
    MaybeFail("EndCapture");
    if (State == EngineStateCode::Capturing) State = 1;
}
void ScriptableEngine::GrabFrame() {
    Record("GrabFrame");
    MaybeFail("GrabFrame");
    ++Captured;
}
bool ScriptableEngine::ModeAvailable(int32_t Mode) const {
    Record("ModeAvailable(" + std::to_string(Mode) + ")");
    MaybeFail("ModeAvailable");
    return AvailableModes.count(Mode) > 0;
}
int32_t ScriptableEngine::ActiveMode() const { READ("ActiveMode", Active) }
int32_t ScriptableEngine::EngineState() const { READ("EngineState", State) }
int32_t ScriptableEngine::TargetState() const { READ("TargetState", Target) }
void ScriptableEngine::ResetOutput() {
    Record("ResetOutput");
    MaybeFail("ResetOutput");
}
std::string ScriptableEngine::CaptureFileName() const { READ("CaptureFileName", FileName) }
void ScriptableEngine::SetCaptureFileName(const std::string& p) { WRITE("CaptureFileName", p, FileName = p) }
int32_t ScriptableEngine::OutputFormat() const { READ("OutputFormat", Format) }
void ScriptableEngine::SetOutputFormat(int32_t c) { WRITE("OutputFormat", std::to_string(c), Format = c) }
void ScriptableEngine::ReserveCaptureFile(int32_t mb) {
    Record("ReserveCaptureFile(" + std::to_string(mb) + ")");
    MaybeFail("ReserveCaptureFile");
    ReservedMB = mb;
}
void ScriptableEngine::CopyCaptureTo(const std::string& name, bool flag) {
    Record("CopyCaptureTo(" + name + "," + B(flag) + ")");
    MaybeFail("CopyCaptureTo");
    CopiedTo = name;
}
StillPicture ScriptableEngine::StillPictureHandle() { READ("StillPictureHandle", Still) }
bool ScriptableEngine::TimeLimitOn() const { READ("TimeLimitOn", LimitOn) }
void ScriptableEngine::SetTimeLimitOn(bool on) { WRITE("TimeLimitOn", B(on), LimitOn = on) }
double ScriptableEngine::TimeLimitSeconds() const { READ("TimeLimitSeconds", LimitSeconds) }
void ScriptableEngine::SetTimeLimitSeconds(double s) { WRITE("TimeLimitSeconds", Num(s), LimitSeconds = s) }
bool ScriptableEngine::FrameRateOn() const { READ("FrameRateOn", RateOn) }
void ScriptableEngine::SetFrameRateOn(bool on) { WRITE("FrameRateOn", B(on), RateOn = on) }
double ScriptableEngine::FrameRateValue() const { READ("FrameRateValue", RateValue) }
void ScriptableEngine::SetFrameRateValue(double v) { WRITE("FrameRateValue", Num(v), RateValue = v) }
double ScriptableEngine::FrameGapSeconds() const { READ("FrameGapSeconds", GapSeconds) }
void ScriptableEngine::SetFrameGapSeconds(double s) { WRITE("FrameGapSeconds", Num(s), GapSeconds = s) }
int32_t ScriptableEngine::MasterStreamIndex() const { READ("MasterStreamIndex", Master) }
void ScriptableEngine::SetMasterStreamIndex(int32_t i) { WRITE("MasterStreamIndex", std::to_string(i), Master = i) }
int32_t ScriptableEngine::FramesCaptured() const { READ("FramesCaptured", Captured) }
int32_t ScriptableEngine::FramesDropped() const { READ("FramesDropped", Dropped) }
int32_t ScriptableEngine::MeanFrameBytes() const { READ("MeanFrameBytes", FrameBytes) }
int64_t ScriptableEngine::FileBytesWritten() const { READ("FileBytesWritten", FileBytes) }
double ScriptableEngine::ElapsedSeconds() const { READ("ElapsedSeconds", Elapsed) }
std::string ScriptableEngine::LastErrorText() const { READ("LastErrorText", ErrorText) }
DeviceList& ScriptableEngine::VideoInputs() { READ("VideoInputs", Video) }
DeviceList& ScriptableEngine::AudioInputs() { READ("AudioInputs", Audio) }
CompressorList& ScriptableEngine::VideoCompressorList() { READ("VideoCompressorList", VideoComp) }
CompressorList& ScriptableEngine::AudioCompressorList() { READ("AudioCompressorList", AudioComp) }
RendererList& ScriptableEngine::AudioRendererList() { READ("AudioRendererList", Renderers) }
SizeList& ScriptableEngine::VideoSizeList() { READ("VideoSizeList", Sizes) }
bool ScriptableEngine::PreviewOn() const { READ("PreviewOn", Preview) }
void ScriptableEngine::SetPreviewOn(bool on) { WRITE("PreviewOn", B(on), Preview = on) }
int32_t ScriptableEngine::PreviewFit() const { READ("PreviewFit", Fit) }
void ScriptableEngine::SetPreviewFit(int32_t f) { WRITE("PreviewFit", std::to_string(f), Fit = f) }
int32_t ScriptableEngine::PreviewInput() const { READ("PreviewInput", Input) }
void ScriptableEngine::SetPreviewInput(int32_t i) { WRITE("PreviewInput", std::to_string(i), Input = i) }
int32_t ScriptableEngine::PreviewTap() const { READ("PreviewTap", Tap) }
void ScriptableEngine::SetPreviewTap(int32_t t) { WRITE("PreviewTap", std::to_string(t), Tap = t) }
bool ScriptableEngine::PreviewDuringProperties() const { READ("PreviewDuringProperties", DuringProps) }
void ScriptableEngine::SetPreviewDuringProperties(bool on) { WRITE("PreviewDuringProperties", B(on), DuringProps = on) }
bool ScriptableEngine::FullScreenOn() const { READ("FullScreenOn", FullScreen) }
void ScriptableEngine::FlipFullScreen() {
    Record("FlipFullScreen");
    MaybeFail("FlipFullScreen");
    FullScreen = !FullScreen;
}
float ScriptableEngine::FullScreenMetric() const { READ("FullScreenMetric", Metric) }
bool ScriptableEngine::CaptionsAvailable() const { READ("CaptionsAvailable", CaptionsCanSwitch) }
bool ScriptableEngine::CaptionsOn() const { READ("CaptionsOn", Captions) }
void ScriptableEngine::SetCaptionsOn(bool on) { WRITE("CaptionsOn", B(on), Captions = on) }
bool ScriptableEngine::DialogAvailable(int32_t id) const {
    Record("DialogAvailable(" + std::to_string(id) + ")");
    MaybeFail("DialogAvailable");
    return AvailableDialogs.count(id) > 0;
}
void ScriptableEngine::OpenDialog(int32_t id, uintptr_t) {
    Record("OpenDialog(" + std::to_string(id) + ")");
    MaybeFail("OpenDialog");
}

EngineFactory ScriptableFactory(ScriptableEngine** out, std::function<void(ScriptableEngine&)> script) {
    return [out, script](QWidget* parent) {
        auto* e = new ScriptableEngine(parent);
        if (script) script(*e);
        if (out) *out = e;
        return EngineBinding{e, e};
    };
}

}  // namespace pelta::test
