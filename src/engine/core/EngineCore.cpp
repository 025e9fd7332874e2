#include "engine/core/EngineCore.h"

#include "engine/core/devices/wayland/ScreenCastShare.h"
#include "engine/core/devices/V4l2Device.h"

#include <algorithm>
#include <future>

namespace pelta::engine {

namespace {
// How often the watcher looks, and how long a device asked for before a capture may take to
// deliver its first frame.
constexpr auto kWatchEvery = std::chrono::milliseconds(250);
constexpr auto kFirstDeliveryWithin = std::chrono::milliseconds(2500);
constexpr const char* kFirstDeliveryText = "2.5 seconds";
// A device that delivered this recently delivers now.
constexpr auto kRecently = std::chrono::milliseconds(500);

template <typename ItemT>
std::vector<ItemT> Names(const std::vector<DeviceInfo>& devices) {
    std::vector<ItemT> out;
    for (const auto& d : devices) out.push_back(ItemT{d.DisplayName});
    return out;
}
}  // namespace

EngineCore::EngineCore() : EngineCore(Discover()) {}

// The sound searches run side by side, so a slow sound server costs its timeout once. The
// screens are asked first: libpulse reads the X display's properties when it connects, and
// Xlib opening a display at the same time on another thread may fail.
EngineCore::Discovered EngineCore::Discover() {
    Discovered d;
    d.Video = DiscoverVideoDevices();
    auto audio = std::async(std::launch::async, DiscoverAudioDevices);
    auto outputs = std::async(std::launch::async, DiscoverAudioOutputs);
    d.Audio = audio.get();
    d.Outputs = outputs.get();
    return d;
}

EngineCore::EngineCore(Discovered found)
    : videoDevices_(std::move(found.Video)),
      audioDevices_(std::move(found.Audio)),
      outputs_(std::move(found.Outputs)),
      videoInputs_([this] { return Names<DeviceItem>(videoDevices_); },
                   [this](int32_t i) {
                       RefuseWhileCapturing("video device");
                       const int32_t size = SizeOnOpening(i);
                       sizes_.ForceSelected(size);  // the size menu follows the device at once
                       Run(kVideoKey, [this, i, size] { OpenVideo(i, size); });
                   }),
      audioInputs_([this] { return Names<DeviceItem>(audioDevices_); },
                   [this](int32_t i) {
                       RefuseWhileCapturing("audio device");
                       Run(kAudioKey, [this, i] { OpenAudio(i); });
                   }),
      renderers_([this] { return Names<RendererItem>(outputs_); }, [](int32_t) {}),
      sizes_(
          [this] {
              const DeviceInfo* d = SelectedVideoDevice();
              return d ? d->Sizes : std::vector<SizeItem>{};
          },
          [this](int32_t k) {
              RefuseWhileCapturing("capture size");
              const int32_t device = videoInputs_.Selected();
              // Kept as the device's size when chosen: a newer change (another device, None)
              // may replace this one before it opens, or an earlier one still opening finish
              // after it; the device chosen again opens at the size chosen last.
              if (const DeviceInfo* d = VideoDeviceAt(device)) (*sizeByDevice_.Lock())[d->DisplayName] = k;
              Run(kVideoKey, [this, device, k] { OpenVideo(device, k); });
          }) {
    watcher_ = std::thread([this] { Watch(); });
}

void EngineCore::OpenInBackground(Settled settled) {
    opener_ = std::make_unique<DeviceOpener>(
        [settled = std::move(settled)](int, const std::string& refusal) { settled(refusal); });
}

bool EngineCore::OpeningDevices() const {
    return opener_ && (opener_->Busy(kVideoKey) || opener_->Busy(kAudioKey));
}

// One device is opened at a time, on the opener's thread or else the caller's.
void EngineCore::Run(OpenKey key, std::function<void()> change) {
    if (!opener_) {
        OpenHere(change);
        return;
    }
    opener_->Ask(key, [this, change = std::move(change)] { OpenHere(change); });
}

void EngineCore::OpenHere(const std::function<void()>& work) {
    std::lock_guard lock(openMutex_);
    work();
}

EngineCore::~EngineCore() {
    // The change under way ends first (it reads opener_), those waiting are dropped.
    if (opener_) opener_->Stop();
    opener_.reset();
    {
        std::lock_guard lock(watchMutex_);
        watchStop_ = true;
    }
    watchCv_.notify_all();
    if (watcher_.joinable()) watcher_.join();
    Close(true);
    Close(false);
    ScreenCastShare::DropKept();  // a Wayland screen kept for a reopening is shared no longer
    av_frame_free(&latest_);
}

const DeviceInfo* EngineCore::VideoDeviceAt(int32_t i) const {
    return i >= 0 && i < static_cast<int32_t>(videoDevices_.size()) ? &videoDevices_[size_t(i)] : nullptr;
}
const DeviceInfo* EngineCore::SelectedVideoDevice() const { return VideoDeviceAt(videoInputs_.Selected()); }
const DeviceInfo* EngineCore::SelectedAudioDevice() const {
    const int32_t i = audioInputs_.Selected();
    return i >= 0 && i < static_cast<int32_t>(audioDevices_.size()) ? &audioDevices_[size_t(i)] : nullptr;
}
const DeviceInfo* EngineCore::SelectedOutput() const {
    const int32_t i = renderers_.Selected();
    return i >= 0 && i < static_cast<int32_t>(outputs_.size()) ? &outputs_[size_t(i)] : nullptr;
}

void EngineCore::RefuseWhileCapturing(const char* what) const {
    if (capturing_ && capturing_())
        throw EngineError(std::string("The ") + what + " cannot be changed while a capture is running.");
}

int32_t EngineCore::SizeOnOpening(int32_t device) const {
    const DeviceInfo* d = VideoDeviceAt(device);
    if (d == nullptr) return -1;
    const auto kept = sizeByDevice_.Lock();
    const auto it = kept->find(d->DisplayName);
    if (it != kept->end() && it->second < static_cast<int32_t>(d->Sizes.size())) return it->second;
    return d->Sizes.empty() ? -1 : 0;
}

void EngineCore::OpenVideo(int32_t device, int32_t sizeIndex) {
    const OpenedVideo before = openedVideo_;
    const bool wasOpen = VideoOpen();
    try {
        OpenVideoNow(device, sizeIndex);
    } catch (const EngineError&) {
        ForgetRefusedSize(device, sizeIndex, before);
        if (wasOpen && before.Device >= 0) {
            try {
                OpenVideoNow(before.Device, before.Size);
            } catch (const EngineError&) {
            }
        }
        ShowOpened(true);
        throw;
    }
    ShowOpened(true);
}

// A size the device refused is not the one it comes back at: the size it was open at, if it
// was, else its first.
void EngineCore::ForgetRefusedSize(int32_t device, int32_t sizeIndex, const OpenedVideo& before) {
    const DeviceInfo* d = VideoDeviceAt(device);
    if (d == nullptr) return;
    const std::string& name = d->DisplayName;
    auto kept = sizeByDevice_.Lock();
    if (before.Device == device && before.Size >= 0) {
        (*kept)[name] = before.Size;
    } else if (auto it = kept->find(name); it != kept->end() && it->second == sizeIndex) {
        kept->erase(it);
    }
}

void EngineCore::OpenVideoNow(int32_t device, int32_t sizeIndex) {
    std::unique_ptr<AvSource> fresh;
    if (device >= 0) {
        const DeviceInfo& d = videoDevices_[size_t(device)];
        if (sizeIndex >= static_cast<int32_t>(d.Sizes.size())) sizeIndex = d.Sizes.empty() ? -1 : 0;
        SizeItem size = sizeIndex >= 0 ? d.Sizes[size_t(sizeIndex)] : SizeItem{d.Width, d.Height};
        const VideoSourceSettings settings = OpeningSettings(d);
        // A screen region is delivered at its own size.
        if (d.Kind == DeviceKind::Screen && settings.RegionWidth > 0 && settings.RegionHeight > 0) size = SizeItem{};
        // The old device is closed first: a camera cannot be opened twice.
        Close(true);
        openedVideo_ = {};
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
    }
    if (!fresh) Close(true);
    {
        std::lock_guard lock(sourceMutex_);
        video_ = std::move(fresh);
    }
    if (device < 0) {
        std::lock_guard lock(latestMutex_);
        av_frame_free(&latest_);
    }
    openedVideo_ = {device, device >= 0 ? sizeIndex : -1};
}

void EngineCore::OpenAudio(int32_t device) {
    const int32_t before = openedAudio_;
    const bool wasOpen = AudioOpen();
    try {
        OpenAudioNow(device);
    } catch (const EngineError&) {
        if (wasOpen && before >= 0) {
            try {
                OpenAudioNow(before);
            } catch (const EngineError&) {
            }
        }
        ShowOpened(false);
        throw;
    }
    ShowOpened(false);
}

void EngineCore::OpenAudioNow(int32_t device) {
    std::unique_ptr<AvSource> fresh;
    Close(false);
    openedAudio_ = -1;
    if (device >= 0) {
        const DeviceInfo& d = audioDevices_[size_t(device)];
        fresh = std::make_unique<AvSource>(
            d, SizeItem{}, false,
            SourceCallbacks{[this](const AVFrame* f, AVRational tb) { OnAudio(f, tb); },
                            [this](const std::string& why) { OnLost(false, why); }},
            VideoSourceSettings{}, (*audioSettings_.Lock())[d.DisplayName]);
    }
    {
        std::lock_guard lock(sourceMutex_);
        audio_ = std::move(fresh);
    }
    openedAudio_ = device;
}

void EngineCore::ShowOpened(bool video) {
    if (opener_ && opener_->NewerWaits(video ? kVideoKey : kAudioKey)) return;
    if (video) {
        videoInputs_.ForceSelected(openedVideo_.Device);
        sizes_.ForceSelected(openedVideo_.Size);
    } else {
        audioInputs_.ForceSelected(openedAudio_);
    }
}

VideoSourceSettings EngineCore::VideoSettings() const {
    const DeviceInfo* d = SelectedVideoDevice();
    if (!d) return {};
    const auto all = videoSettings_.Lock();
    const auto it = all->find(d->DisplayName);
    return it == all->end() ? VideoSourceSettings{} : it->second;
}

namespace {
// Reopens the device with the settings already stored; when it refuses them the settings
// before are stored and opened again, and the refusal goes on.
template <typename Settings>
void ReopenOrRestore(Guarded<std::map<std::string, Settings>>& store, const std::string& device,
                     const Settings& before, const std::function<void()>& reopen) {
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
    const bool region = before.RegionX != settings.RegionX || before.RegionY != settings.RegionY ||
                        before.RegionWidth != settings.RegionWidth || before.RegionHeight != settings.RegionHeight;
    const bool format = before.FrameRate != settings.FrameRate || before.InputFormat != settings.InputFormat;
    RefuseWhileCapturing(region ? "source region" : format ? "video format" : "video source");
    const int32_t device = videoInputs_.Selected(), size = sizes_.Selected();
    (*videoSettings_.Lock())[d->DisplayName] = settings;
    Run(kVideoKey, [this, name = d->DisplayName, before, device, size] {
        ReopenOrRestore(videoSettings_, name, before, [&] { OpenVideo(device, size); });
    });
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
    RefuseWhileCapturing("audio format");
    const int32_t device = audioInputs_.Selected();
    (*audioSettings_.Lock())[d->DisplayName] = settings;
    Run(kAudioKey, [this, name = d->DisplayName, before, device] {
        ReopenOrRestore(audioSettings_, name, before, [&] { OpenAudio(device); });
    });
}

// The settings a device is opened with: the user's, with a capture's rate where the device
// takes any rate.
VideoSourceSettings EngineCore::OpeningSettings(const DeviceInfo& d) {
    VideoSourceSettings s = (*videoSettings_.Lock())[d.DisplayName];
    if (preferredRate_ > 0 && d.Kind != DeviceKind::Camera) s.FrameRate = preferredRate_;
    return s;
}

// Asked by a capture as it starts, on its own thread.
void EngineCore::PreferFrameRate(int fps, std::stop_token stop) {
    if (opener_) opener_->WaitIdle(stop);
    const DeviceInfo* d = SelectedVideoDevice();
    const int before = d ? AvSource::OpenRate(*d, OpeningSettings(*d)) : 0;
    preferredRate_ = std::max(0, fps);
    if (d && HasVideo() && AvSource::OpenRate(*d, OpeningSettings(*d)) != before)
        OpenHere([&] { OpenVideo(openedVideo_.Device, openedVideo_.Size); });
}

// Closes a device: taken out under the source lock, closed (its thread joined) outside it,
// once the watcher no longer looks at it.
void EngineCore::Close(bool video) {
    std::unique_ptr<AvSource> old;
    {
        std::lock_guard lock(sourceMutex_);
        old = std::move(video ? video_ : audio_);
    }
    { std::lock_guard watching(stallMutex_); }
    old.reset();
}

// Set before the first device is opened, so the devices' threads read them without a lock.
void EngineCore::SetVideoProcessor(FrameProcessor p) { videoProcessor_ = std::move(p); }
void EngineCore::SetAudioProcessor(AudioProcessor p) { audioProcessor_ = std::move(p); }

// A delivery takes the listener list as it is now and calls it with no lock held.
void EngineCore::OnVideo(const AVFrame* frame, AVRational tb) {
    const Listeners listeners = *listeners_.Lock();
    for (FrameListener* l : *listeners) l->OnSourceVideoFrame(frame, tb);
    AVFrame* processed = videoProcessor_ ? videoProcessor_(frame) : nullptr;
    const AVFrame* out = processed ? processed : frame;
    {
        std::lock_guard l(latestMutex_);
        if (!latest_) latest_ = av_frame_alloc();
        av_frame_unref(latest_);
        if (keepLatest_) av_frame_ref(latest_, out);
    }
    for (FrameListener* l : *listeners) l->OnVideoFrame(out, tb);
    av_frame_free(&processed);
    TellDelivered();
}

void EngineCore::OnAudio(const AVFrame* frame, AVRational tb) {
    const Listeners listeners = *listeners_.Lock();
    std::vector<AVFrame*> ready;
    if (!audioProcessor_ || !audioProcessor_(frame, ready)) {
        for (FrameListener* l : *listeners) l->OnAudioFrame(frame, tb);
    } else {
        for (AVFrame*& f : ready) {
            for (FrameListener* l : *listeners) l->OnAudioFrame(f, tb);
            av_frame_free(&f);
        }
    }
    TellDelivered();
}

// A lost device is reported on its own thread or the watcher's.
void EngineCore::OnLost(bool video, const std::string& why) {
    const Listeners listeners = *listeners_.Lock();
    for (FrameListener* l : *listeners) l->OnSourceLost(video, why);
}

// Every list handed out tells, when the last delivery using it lets it go, whoever waits
// for the old lists to be let go (RemoveListener).
EngineCore::Listeners EngineCore::MakeListeners(std::vector<FrameListener*> list) {
    return Listeners(new std::vector<FrameListener*>(std::move(list)), [this](const std::vector<FrameListener*>* p) {
        delete p;
        { std::lock_guard lock(retiredMutex_); }
        retiredCv_.notify_all();
    });
}

void EngineCore::AddListener(FrameListener* listener) {
    auto listeners = listeners_.Lock();
    if (std::find((*listeners)->begin(), (*listeners)->end(), listener) != (*listeners)->end()) return;
    std::vector<FrameListener*> list = **listeners;
    list.push_back(listener);
    *listeners = MakeListeners(std::move(list));
}

// Deliveries that began before the removal may still call the listener: their list is
// waited out (deliveries are short; nothing is locked meanwhile).
void EngineCore::RemoveListener(FrameListener* listener) {
    std::weak_ptr<const std::vector<FrameListener*>> before;
    {
        auto listeners = listeners_.Lock();
        before = *listeners;
        std::vector<FrameListener*> list = **listeners;
        list.erase(std::remove(list.begin(), list.end(), listener), list.end());
        *listeners = MakeListeners(std::move(list));
    }
    std::unique_lock lock(retiredMutex_);
    retiredCv_.wait(lock, [&] { return before.expired(); });
}

// A device asked for counts as there while it is being opened: should it refuse, that is
// told when it does.
bool EngineCore::HasVideo() const {
    if (opener_ && opener_->Busy(kVideoKey)) return videoInputs_.Selected() >= 0;
    return VideoOpen();
}
bool EngineCore::HasAudio() const {
    if (opener_ && opener_->Busy(kAudioKey)) return audioInputs_.Selected() >= 0;
    return AudioOpen();
}
bool EngineCore::VideoOpen() const {
    std::lock_guard lock(sourceMutex_);
    return video_ != nullptr;
}
bool EngineCore::AudioOpen() const {
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
void EngineCore::Watch() {
    std::unique_lock lock(watchMutex_);
    while (!watchCv_.wait_for(lock, kWatchEvery, [this] { return watchStop_; })) {
        const auto now = AvSource::Clock::now();
        // The devices are looked at under the stall lock, which Close takes before it closes
        // one: the report to the listeners comes before the device it names is gone.
        std::lock_guard watching(stallMutex_);
        AvSource *video = nullptr, *audio = nullptr;
        {
            std::lock_guard sources(sourceMutex_);
            video = video_.get();
            audio = audio_.get();
        }
        if (video) video->CheckStall(now);
        if (audio) audio->CheckStall(now);
    }
}

// On the capture's thread (never the window's): the device is reopened when it must be,
// then its first picture or sound is waited for, woken by each delivery and by `stop`.
void EngineCore::EnsureOneDelivers(bool video, std::stop_token stop) {
    const DeviceInfo* d = video ? SelectedVideoDevice() : SelectedAudioDevice();
    const auto source = [&]() -> AvSource* {
        std::lock_guard lock(sourceMutex_);
        return video ? video_.get() : audio_.get();
    };
    if (!d || !source()) throw EngineError(video ? "No video device is selected." : "No audio device is selected.");
    const std::string what = std::string(video ? "The video device \"" : "The audio device \"") + d->DisplayName +
                             (video ? "\" delivers no pictures: " : "\" delivers no sound: ");
    const auto deliversNow = [&] {
        const AvSource* s = source();
        return s && s->HasDelivered() && !s->Lost() && AvSource::Clock::now() - s->LastDelivery() < kRecently;
    };
    if (deliversNow()) return;
    // A sound server input comes back by itself once the server answers again; any other
    // device that was lost or fell silent is opened anew.
    if (!source()->RevivesItself() && (source()->Lost() || source()->HasDelivered())) {
        try {
            OpenHere([&] {
                if (video) OpenVideoNow(openedVideo_.Device, openedVideo_.Size);
                else OpenAudioNow(openedAudio_);
            });
        } catch (const EngineError& e) {
            throw EngineError(what + e.what());
        }
    }
    if (AvSource* s = source(); s && s->RevivesItself() && s->Lost()) s->ReviveNow();
    const auto deadline = std::chrono::steady_clock::now() + kFirstDeliveryWithin;
    {
        ++deliveryWaiters_;
        std::unique_lock lock(deliveryMutex_);
        deliveryCv_.wait_until(lock, stop, deadline, deliversNow);
        --deliveryWaiters_;
    }
    if (deliversNow() || stop.stop_requested()) return;
    const AvSource* s = source();
    const std::string lost = s && s->Lost() ? " " + s->LostReason() : std::string();
    throw EngineError(what + "nothing came within " + kFirstDeliveryText + "." + lost);
}

// Wakes a capture waiting for its devices' first delivery; costs nothing when none waits.
void EngineCore::TellDelivered() {
    if (deliveryWaiters_ == 0) return;
    { std::lock_guard lock(deliveryMutex_); }
    deliveryCv_.notify_all();
}

bool EngineCore::DeviceLost(bool video) const {
    std::lock_guard lock(sourceMutex_);
    const AvSource* s = video ? video_.get() : audio_.get();
    return s && s->Lost();
}

void EngineCore::EnsureDelivering(bool video, bool audio, std::stop_token stop) {
    if (opener_) opener_->WaitIdle(stop);  // the devices chosen last are the ones recorded
    if (video) EnsureOneDelivers(true, stop);
    if (audio && !stop.stop_requested()) EnsureOneDelivers(false, stop);
}

void EngineCore::KeepLatestVideoFrame(bool keep) {
    keepLatest_ = keep;
    std::lock_guard lock(latestMutex_);
    if (!keep && latest_) av_frame_unref(latest_);
}

AVFrame* EngineCore::LatestVideoFrame() const {
    std::lock_guard lock(latestMutex_);
    return latest_ && latest_->buf[0] ? av_frame_clone(latest_) : nullptr;
}

}  // namespace pelta::engine
