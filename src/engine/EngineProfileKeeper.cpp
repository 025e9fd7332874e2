#include "engine/EngineProfileKeeper.h"

#include "engine/CaptureEngine.h"
#include "engine/core/profile/AtomicFile.h"
#include "engine/core/record/CaptureSession.h"

namespace pelta {

using namespace engine;

namespace {

template <typename ItemT>
NamedChoice ChoiceOf(EngineList<ItemT>& list) {
    const int32_t i = list.Selected();
    return i < 0 ? NamedChoice::Nothing() : NamedChoice::Called(list.Item(i).DisplayName);
}

template <typename ItemT>
int32_t IndexOf(EngineList<ItemT>& list, const std::string& name) {
    for (int32_t i = 0; i < list.Count(); ++i)
        if (list.Item(i).DisplayName == name) return i;
    return -1;
}

// Only what differs from a device's defaults is worth keeping.
template <typename Settings>
std::map<std::string, Settings> WithoutDefaults(std::map<std::string, Settings> all) {
    std::erase_if(all, [](const auto& entry) { return entry.second == Settings{}; });
    return all;
}

template <typename F>
void Try(F&& step) {
    try {
        step();
    } catch (const std::exception&) {
        // A value the engine refuses keeps the engine's own; the others still apply.
    }
}

// A compressor by name; the first of `fallbacks` that the list offers (else "No
// Recompression") when the profile names none or one this FFmpeg lacks.
template <typename Names>
void SelectCompressor(CompressorList& list, const NamedChoice& choice, const Names& fallbacks) {
    int32_t index = -1;
    if (choice.State == NamedChoice::Kind::Named) index = IndexOf(list, choice.Name);
    if (choice.State != NamedChoice::Kind::None)
        for (auto it = std::begin(fallbacks); index < 0 && it != std::end(fallbacks); ++it) index = IndexOf(list, *it);
    if (list.Selected() != index) list.SetSelected(index);
}

// A device by name. Unset leaves start-up's choice; a device that is gone or refuses to
// open gives the first one, as a first start does.
template <typename ItemT>
void SelectDevice(EngineList<ItemT>& list, const NamedChoice& choice) {
    if (choice.State == NamedChoice::Kind::Unset) return;
    const int32_t wanted = choice.State == NamedChoice::Kind::None ? -1 : IndexOf(list, choice.Name);
    const int32_t first = list.Count() > 0 ? 0 : -1;
    const int32_t index = choice.State == NamedChoice::Kind::Named && wanted < 0 ? first : wanted;
    if (list.Selected() == index) return;
    try {
        list.SetSelected(index);
    } catch (const std::exception&) {
        if (list.Selected() != first) Try([&] { list.SetSelected(first); });
    }
}

}  // namespace

EngineProfile TakeProfile(CaptureEngine& e) {
    EngineProfile p;
    p.VideoDevice = ChoiceOf(e.VideoInputs());
    p.AudioDevice = ChoiceOf(e.AudioInputs());
    p.AudioOutput = ChoiceOf(e.AudioRendererList());
    if (const int32_t s = e.VideoSizeList().Selected(); s >= 0) {
        const SizeItem size = e.VideoSizeList().Item(s);
        p.VideoWidth = size.Width;
        p.VideoHeight = size.Height;
    }
    p.VideoCompressor = ChoiceOf(e.VideoCompressorList());
    p.AudioCompressor = ChoiceOf(e.AudioCompressorList());
    p.Encoders = e.Recorder().StoredEncoderSettings();
    p.VideoSources = WithoutDefaults(e.Core().AllVideoSettings());
    p.AudioSources = WithoutDefaults(e.Core().AllAudioSettings());
    p.VideoProcessors = e.VideoProcessors().Chain();
    p.AudioProcessors = e.AudioProcessors().Chain();
    p.Preview = e.Preview();
    p.PreviewInput = e.PreviewInput();
    p.PreviewTap = e.PreviewTap();
    p.PreviewDuringProperties = e.PreviewDuringProperties();
    p.Queue = e.Recorder().QueueSettings();
    p.TimeLimitOn = e.TimeLimitOn();
    p.TimeLimitSeconds = e.TimeLimitSeconds();
    p.FrameRateOn = e.FrameRateOn();
    p.FrameRateValue = e.FrameRateValue();
    p.FrameGapSeconds = e.FrameGapSeconds();
    p.MasterStreamIndex = e.MasterStreamIndex();
    return p;
}

EngineProfileKeeper::EngineProfileKeeper(CaptureEngine& engine, std::string path)
    : engine_(engine), path_(std::move(path)) {
    std::string bytes;
    if (files::ReadWholeFile(path_, bytes) == files::ReadResult::Read) {
        loaded_ = ParseProfile(bytes, &damaged_);
        if (damaged_) damagedBytes_ = std::move(bytes);
    }
    const EngineProfile& p = loaded_;
    CaptureEngine& e = engine_;
    e.Core().RestoreSourceSettings(p.VideoSources, p.AudioSources);
    Try([&] { SelectCompressor(e.VideoCompressorList(), p.VideoCompressor, kFirstStartVideoCompressors); });
    Try([&] { SelectCompressor(e.AudioCompressorList(), p.AudioCompressor, std::array<const char*, 0>{}); });
    for (const auto& [encoder, settings] : p.Encoders) Try([&] { e.Recorder().SetEncoderSettings(encoder, settings); });
    Try([&] { e.Recorder().SetQueueSettings(p.Queue); });
    e.VideoProcessors().SetChain(p.VideoProcessors);
    e.AudioProcessors().SetChain(p.AudioProcessors);
    e.SetPreview(p.Preview);
    Try([&] { e.SetPreviewInput(p.PreviewInput); });
    Try([&] { e.SetPreviewTap(p.PreviewTap); });
    e.SetPreviewDuringProperties(p.PreviewDuringProperties);
    Try([&] { e.SetTimeLimitSeconds(p.TimeLimitSeconds); });
    e.SetTimeLimitOn(p.TimeLimitOn);
    Try([&] { e.SetFrameRateValue(p.FrameRateValue); });
    e.SetFrameRateOn(p.FrameRateOn);
    Try([&] { e.SetFrameGapSeconds(p.FrameGapSeconds); });
    Try([&] { e.SetMasterStreamIndex(p.MasterStreamIndex); });
}

void EngineProfileKeeper::RestoreDevices() {
    CaptureEngine& e = engine_;
    SelectDevice(e.VideoInputs(), loaded_.VideoDevice);
    if (loaded_.VideoWidth > 0 && loaded_.VideoHeight > 0) {
        SizeList& sizes = e.VideoSizeList();
        for (int32_t i = 0; i < sizes.Count(); ++i) {
            const SizeItem s = sizes.Item(i);
            if (s.Width == loaded_.VideoWidth && s.Height == loaded_.VideoHeight) {
                if (sizes.Selected() != i) Try([&] { sizes.SetSelected(i); });
                break;
            }
        }
    }
    SelectDevice(e.AudioInputs(), loaded_.AudioDevice);
    // A sound output that is gone leaves the default one.
    if (loaded_.AudioOutput.State == NamedChoice::Kind::Named) {
        const int32_t i = IndexOf(e.AudioRendererList(), loaded_.AudioOutput.Name);
        if (i >= 0) Try([&] { e.AudioRendererList().SetSelected(i); });
    }
    // What is in use now counts as written: a device that is missing today stays in the
    // file until the user changes something.
    written_ = TakeProfile(e);
    saving_ = true;
}

void EngineProfileKeeper::Check() {
    if (!saving_) return;
    EngineProfile now = TakeProfile(engine_);
    if (now == written_) return;
    std::string why;
    files::PendingFile out;
    if (!out.Write(path_, ProfileText(now), why)) return;
    if (damaged_ && files::KeepDamagedCopy(path_, damagedBytes_, why).empty()) return;
    if (!out.Commit(why)) return;
    damaged_ = false;
    damagedBytes_.clear();
    written_ = std::move(now);
}

}  // namespace pelta
