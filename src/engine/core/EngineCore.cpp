#include "engine/core/EngineCore.h"

#include "engine/core/V4l2Device.h"

#include <algorithm>
#include <future>

namespace pelta::engine {

namespace {
template <typename ItemT>
std::vector<ItemT> Names(const std::vector<DeviceInfo>& devices) {
    std::vector<ItemT> out;
    for (const auto& d : devices) out.push_back(ItemT{d.DisplayName});
    return out;
}
}  // namespace

EngineCore::EngineCore() : EngineCore(Discover()) {}

// The three searches run side by side, so a slow sound server costs its timeout once.
EngineCore::Discovered EngineCore::Discover() {
    auto audio = std::async(std::launch::async, DiscoverAudioDevices);
    auto outputs = std::async(std::launch::async, DiscoverAudioOutputs);
    Discovered d;
    d.Video = DiscoverVideoDevices();
    d.Audio = audio.get();
    d.Outputs = outputs.get();
    return d;
}

EngineCore::EngineCore(Discovered found)
    : videoDevices_(std::move(found.Video)),
      audioDevices_(std::move(found.Audio)),
      outputs_(std::move(found.Outputs)),
      videoInputs_([this] { return Names<DeviceItem>(videoDevices_); },
                   [this](int32_t i) { Run([&] { OpenVideo(i, -2); }); }),
      audioInputs_([this] { return Names<DeviceItem>(audioDevices_); },
                   [this](int32_t i) { Run([&] { OpenAudio(i); }); }),
      renderers_([this] { return Names<RendererItem>(outputs_); }, [](int32_t) {}),
      sizes_(
          [this] {
              const DeviceInfo* d = SelectedVideoDevice();
              return d ? d->Sizes : std::vector<SizeItem>{};
          },
          [this](int32_t k) { Run([&] { OpenVideo(videoInputs_.Selected(), k); }); }) {}

void EngineCore::SetWorkRunner(WorkRunner runner) { runner_ = std::move(runner); }

// One device is opened at a time, whichever thread the runner chose.
void EngineCore::Run(const std::function<void()>& work) {
    const auto serial = [&] {
        std::lock_guard lock(openMutex_);
        work();
    };
    if (runner_) runner_(serial);
    else serial();
}

EngineCore::~EngineCore() {
    {
        std::lock_guard lock(sourceMutex_);
        video_.reset();
        audio_.reset();
    }
    av_frame_free(&latest_);
}

const DeviceInfo* EngineCore::SelectedVideoDevice() const {
    const int32_t i = videoInputs_.Selected();
    return i >= 0 && i < static_cast<int32_t>(videoDevices_.size()) ? &videoDevices_[size_t(i)] : nullptr;
}
const DeviceInfo* EngineCore::SelectedAudioDevice() const {
    const int32_t i = audioInputs_.Selected();
    return i >= 0 && i < static_cast<int32_t>(audioDevices_.size()) ? &audioDevices_[size_t(i)] : nullptr;
}
const DeviceInfo* EngineCore::SelectedOutput() const {
    const int32_t i = renderers_.Selected();
    return i >= 0 && i < static_cast<int32_t>(outputs_.size()) ? &outputs_[size_t(i)] : nullptr;
}

// sizeIndex -2: the device changes, so its first size is used.
void EngineCore::OpenVideo(int32_t device, int32_t sizeIndex) {
    std::unique_ptr<AvSource> fresh;
    int32_t newSize = -1;
    if (device >= 0) {
        const DeviceInfo& d = videoDevices_[size_t(device)];
        if (sizeIndex == -2) sizeIndex = d.Sizes.empty() ? -1 : 0;
        SizeItem size = sizeIndex >= 0 ? d.Sizes[size_t(sizeIndex)] : SizeItem{d.Width, d.Height};
        const VideoSourceSettings settings = OpeningSettings(d);
        // A screen region is delivered at its own size.
        if (d.Kind == DeviceKind::Screen && settings.RegionWidth > 0 && settings.RegionHeight > 0) size = SizeItem{};
        // The old device is closed first: a camera cannot be opened twice.
        {
            std::lock_guard lock(sourceMutex_);
            video_.reset();
        }
        {
            std::lock_guard lock(latestMutex_);
            av_frame_free(&latest_);
        }
        fresh = std::make_unique<AvSource>(
            d, size, true,
            SourceCallbacks{[this](const AVFrame* f, AVRational tb) { OnVideo(f, tb); },
                            [this](const std::string& why) { OnLost(true, why); }},
            settings);
        // The camera's controls as the user left them (the driver keeps them only while it is
        // open), and whether it has any, asked once here rather than at every menu update.
        cameraHasControls_ = false;
        if (d.Kind == DeviceKind::Camera) {
            V4l2Device camera;
            std::string why;
            if (camera.Open(d.Url, why)) {
                for (const auto& [id, value] : settings.CameraControls) camera.SetControl(id, value, why);
                cameraHasControls_ = !camera.Controls().empty();
            }
        }
        newSize = sizeIndex;
    }
    {
        std::lock_guard lock(sourceMutex_);
        if (!fresh) video_.reset();
        video_ = std::move(fresh);
    }
    if (device < 0) {
        std::lock_guard lock(latestMutex_);
        av_frame_free(&latest_);
    }
    sizes_.ForceSelected(newSize);
}

void EngineCore::OpenAudio(int32_t device) {
    std::unique_ptr<AvSource> fresh;
    {
        std::lock_guard lock(sourceMutex_);
        audio_.reset();
    }
    if (device >= 0) {
        const DeviceInfo& d = audioDevices_[size_t(device)];
        fresh = std::make_unique<AvSource>(
            d, SizeItem{}, false,
            SourceCallbacks{[this](const AVFrame* f, AVRational tb) { OnAudio(f, tb); },
                            [this](const std::string& why) { OnLost(false, why); }},
            VideoSourceSettings{}, (*audioSettings_.Lock())[d.DisplayName]);
    }
    std::lock_guard lock(sourceMutex_);
    audio_ = std::move(fresh);
}

VideoSourceSettings EngineCore::VideoSettings() const {
    const DeviceInfo* d = SelectedVideoDevice();
    if (!d) return {};
    const auto all = videoSettings_.Lock();
    const auto it = all->find(d->DisplayName);
    return it == all->end() ? VideoSourceSettings{} : it->second;
}

namespace {
// Stores the new settings and reopens the device; when it refuses them the old settings
// are stored and opened again, and the refusal goes to the caller.
template <typename Settings>
void ApplyOrRestore(Guarded<std::map<std::string, Settings>>& store, const std::string& device,
                    const Settings& before, const Settings& wanted, const std::function<void()>& reopen) {
    (*store.Lock())[device] = wanted;
    try {
        reopen();
    } catch (const EngineError&) {
        (*store.Lock())[device] = before;
        try {
            reopen();
        } catch (const EngineError&) {
        }
        throw;
    }
}
}  // namespace

void EngineCore::SetVideoSettings(const VideoSourceSettings& settings) {
    const DeviceInfo* d = SelectedVideoDevice();
    if (!d) throw EngineError("No video device is selected.");
    const VideoSourceSettings before = VideoSettings();
    if (before == settings && HasVideo()) return;
    const int32_t device = videoInputs_.Selected(), size = sizes_.Selected();
    ApplyOrRestore(videoSettings_, d->DisplayName, before, settings, [&] { Run([&] { OpenVideo(device, size); }); });
}

void EngineCore::RememberVideoSettings(const VideoSourceSettings& settings) {
    if (const DeviceInfo* d = SelectedVideoDevice()) (*videoSettings_.Lock())[d->DisplayName] = settings;
}

AudioSourceSettings EngineCore::AudioSettings() const {
    const DeviceInfo* d = SelectedAudioDevice();
    if (!d) return {};
    const auto all = audioSettings_.Lock();
    const auto it = all->find(d->DisplayName);
    return it == all->end() ? AudioSourceSettings{} : it->second;
}

void EngineCore::SetAudioSettings(const AudioSourceSettings& settings) {
    const DeviceInfo* d = SelectedAudioDevice();
    if (!d) throw EngineError("No audio device is selected.");
    const AudioSourceSettings before = AudioSettings();
    if (before == settings && HasAudio()) return;
    const int32_t device = audioInputs_.Selected();
    ApplyOrRestore(audioSettings_, d->DisplayName, before, settings, [&] { Run([&] { OpenAudio(device); }); });
}

// The settings a device is opened with: the user's, with a capture's rate where the device
// takes any rate.
VideoSourceSettings EngineCore::OpeningSettings(const DeviceInfo& d) {
    VideoSourceSettings s = (*videoSettings_.Lock())[d.DisplayName];
    if (preferredRate_ > 0 && d.Kind != DeviceKind::Camera) s.FrameRate = preferredRate_;
    return s;
}

void EngineCore::PreferFrameRate(int fps) {
    const DeviceInfo* d = SelectedVideoDevice();
    const int before = d ? AvSource::OpenRate(*d, OpeningSettings(*d)) : 0;
    preferredRate_ = std::max(0, fps);
    if (d && HasVideo() && AvSource::OpenRate(*d, OpeningSettings(*d)) != before)
        Run([&] { OpenVideo(videoInputs_.Selected(), sizes_.Selected()); });
}

void EngineCore::SetVideoProcessor(FrameProcessor p) { *videoDelivery_.Lock() = std::move(p); }
void EngineCore::SetAudioProcessor(AudioProcessor p) { *audioDelivery_.Lock() = std::move(p); }

void EngineCore::OnVideo(const AVFrame* frame, AVRational tb) {
    const auto processor = videoDelivery_.Lock();
    const std::vector<FrameListener*> listeners = listeners_.Get();
    for (FrameListener* l : listeners) l->OnSourceVideoFrame(frame, tb);
    AVFrame* processed = *processor ? (*processor)(frame) : nullptr;
    const AVFrame* out = processed ? processed : frame;
    {
        std::lock_guard l(latestMutex_);
        if (!latest_) latest_ = av_frame_alloc();
        av_frame_unref(latest_);
        av_frame_ref(latest_, out);
    }
    for (FrameListener* l : listeners) l->OnVideoFrame(out, tb);
    av_frame_free(&processed);
}

void EngineCore::OnAudio(const AVFrame* frame, AVRational tb) {
    const auto processor = audioDelivery_.Lock();
    const std::vector<FrameListener*> listeners = listeners_.Get();
    std::vector<AVFrame*> ready;
    if (!*processor || !(*processor)(frame, ready)) {
        for (FrameListener* l : listeners) l->OnAudioFrame(frame, tb);
        return;
    }
    for (AVFrame*& f : ready) {
        for (FrameListener* l : listeners) l->OnAudioFrame(f, tb);
        av_frame_free(&f);
    }
}

// A lost device is reported on its own thread, under its source's delivery lock.
void EngineCore::OnLost(bool video, const std::string& why) {
    const auto tell = [&] {
        for (FrameListener* l : listeners_.Get()) l->OnSourceLost(video, why);
    };
    if (video) {
        const auto delivering = videoDelivery_.Lock();
        tell();
    } else {
        const auto delivering = audioDelivery_.Lock();
        tell();
    }
}

void EngineCore::AddListener(FrameListener* listener) {
    auto listeners = listeners_.Lock();
    if (std::find(listeners->begin(), listeners->end(), listener) == listeners->end()) listeners->push_back(listener);
}

void EngineCore::RemoveListener(FrameListener* listener) {
    {
        auto listeners = listeners_.Lock();
        listeners->erase(std::remove(listeners->begin(), listeners->end(), listener), listeners->end());
    }
    // Deliveries that began before the removal may still hold the old list: wait them out.
    (void)videoDelivery_.Lock();
    (void)audioDelivery_.Lock();
}
bool EngineCore::HasVideo() const {
    std::lock_guard lock(sourceMutex_);
    return video_ != nullptr;
}
bool EngineCore::HasAudio() const {
    std::lock_guard lock(sourceMutex_);
    return audio_ != nullptr;
}
VideoFormat EngineCore::CurrentVideoFormat() const {
    std::lock_guard lock(sourceMutex_);
    return video_ ? video_->Video() : VideoFormat{};
}
AudioFormat EngineCore::CurrentAudioFormat() const {
    std::lock_guard lock(sourceMutex_);
    return audio_ ? audio_->Audio() : AudioFormat{};
}
AVFrame* EngineCore::LatestVideoFrame() const {
    std::lock_guard lock(latestMutex_);
    return latest_ && latest_->buf[0] ? av_frame_clone(latest_) : nullptr;
}

}  // namespace pelta::engine
