// The engine's devices and the hub their frames pass through: device lists, the open
// video and audio sources, the newest picture, and the listeners (preview, recorder).
#pragma once

#include "engine/core/devices/AvSource.h"
#include "engine/core/devices/DeviceOpener.h"
#include "engine/core/devices/Devices.h"
#include "engine/core/EngineContract.h"
#include "engine/core/Guarded.h"
#include "engine/core/MediaHub.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace pelta::engine {

class EngineCore;

// A list whose entries the core discovered; writing Selected asks the core to act. The
// selection is read on the devices' threads too (the selected output), hence atomic.
template <typename ItemT>
class CoreList final : public EngineList<ItemT> {
public:
    using Getter = std::function<std::vector<ItemT>()>;
    using Selector = std::function<void(int32_t)>;
    CoreList(Getter items, Selector select) : items_(std::move(items)), select_(std::move(select)) {}
    int32_t Count() const override { return static_cast<int32_t>(items_().size()); }
    ItemT Item(int32_t index) const override {
        const auto all = items_();
        if (index < 0 || index >= static_cast<int32_t>(all.size()))
            throw EngineError("There is no entry " + std::to_string(index) + " in this list.");
        return all[static_cast<size_t>(index)];
    }
    int32_t Selected() const override { return selected_; }
    // The choice shows before the core acts on it (which may happen on another thread); a
    // choice refused at once is taken back.
    void SetSelected(int32_t index) override {
        if (index < -1 || index >= Count())
            throw EngineError("There is no entry " + std::to_string(index) + " in this list.");
        const int32_t before = selected_.exchange(index);
        try {
            select_(index);
        } catch (...) {
            selected_ = before;
            throw;
        }
    }
    void ForceSelected(int32_t index) { selected_ = index; }

private:
    Getter items_;
    Selector select_;
    std::atomic<int32_t> selected_{-1};
};

class EngineCore final : public MediaHub {
public:
    // Discovers the devices (bounded in time); opens nothing yet.
    EngineCore();
    ~EngineCore() override;

    DeviceList& VideoInputs() { return videoInputs_; }
    DeviceList& AudioInputs() { return audioInputs_; }
    RendererList& AudioRendererList() { return renderers_; }
    SizeList& VideoSizeList() { return sizes_; }

    const std::vector<DeviceInfo>& VideoDevices() const { return videoDevices_; }
    const std::vector<DeviceInfo>& AudioDevices() const { return audioDevices_; }
    const std::vector<DeviceInfo>& AudioOutputs() const { return outputs_; }
    const DeviceInfo* SelectedVideoDevice() const;
    const DeviceInfo* SelectedAudioDevice() const;
    const DeviceInfo* SelectedOutput() const;

    // The property-dialog settings of the selected device. Setting them reopens the device;
    // when it refuses, the previous settings are restored and EngineError says why.
    VideoSourceSettings VideoSettings() const;
    void SetVideoSettings(const VideoSourceSettings& settings);
    // Keeps settings the device has already taken (a camera control set live) without
    // reopening it.
    void RememberVideoSettings(const VideoSourceSettings& settings);
    AudioSourceSettings AudioSettings() const;
    void SetAudioSettings(const AudioSourceSettings& settings);
    void PreferFrameRate(int fps, std::stop_token stop = {}) override;
    // Every device's remembered settings by name, devices not present now included, and
    // putting them back (a device takes them when it is next opened).
    std::map<std::string, VideoSourceSettings> AllVideoSettings() const { return videoSettings_.Get(); }
    std::map<std::string, AudioSourceSettings> AllAudioSettings() const { return audioSettings_.Get(); }
    void RestoreSourceSettings(std::map<std::string, VideoSourceSettings> video,
                               std::map<std::string, AudioSourceSettings> audio) {
        videoSettings_.Set(std::move(video));
        audioSettings_.Set(std::move(audio));
    }
    // Whether the open video device is a camera whose driver lists controls.
    bool CameraHasControls() const { return cameraHasControls_; }

    // Processor hooks: applied to every frame before the listeners and the newest picture.
    // The function returns a new frame reference (or nullptr to pass the frame unchanged).
    using FrameProcessor = std::function<AVFrame*(const AVFrame*)>;
    void SetVideoProcessor(FrameProcessor p);
    // Sound filters may hold sound back (look-ahead) and hand out several frames later:
    // the function fills `out` with the frames ready now and returns false to pass the
    // frame unchanged.
    using AudioProcessor = std::function<bool(const AVFrame* in, std::vector<AVFrame*>& out)>;
    void SetAudioProcessor(AudioProcessor p);

    // From now on a change of device, capture size or source settings returns at once, and
    // the device is opened on a thread of the core's (a camera's probe reads up to 32 MB, a
    // portal screen waits for the user). Meanwhile the lists show the choice asked for;
    // `settled` is told on that thread once it is open (empty words) or refused (the device
    // still in use is shown again). Without this, a change runs on the caller's thread and a
    // refusal throws EngineError there. Called once, before any device is chosen.
    using Settled = std::function<void(const std::string& refusal)>;
    void OpenInBackground(Settled settled);
    // A change of device asked for has not been settled yet.
    bool OpeningDevices() const;

    // Tells whether a capture is running: while it does, every change that would alter it
    // (devices, size, video and audio format, source region) is refused with EngineError.
    void SetCaptureCheck(std::function<bool()> capturing) { capturing_ = std::move(capturing); }

    // MediaHub
    void AddListener(FrameListener* listener) override;
    void RemoveListener(FrameListener* listener) override;
    bool HasVideo() const override;
    bool HasAudio() const override;
    VideoFormat CurrentVideoFormat() const override;
    AudioFormat CurrentAudioFormat() const override;
    AVFrame* LatestVideoFrame() const override;
    void KeepLatestVideoFrame(bool keep) override;
    void EnsureDelivering(bool video, bool audio, std::stop_token stop = {}) override;
    // The open device was lost (and has not delivered again since).
    bool DeviceLost(bool video) const;

private:
    struct Discovered {
        std::vector<DeviceInfo> Video, Audio, Outputs;
    };
    static Discovered Discover();
    explicit EngineCore(Discovered found);

    enum OpenKey { kVideoKey, kAudioKey };
    void Run(OpenKey key, std::function<void()> change);
    void OpenHere(const std::function<void()>& work);
    const DeviceInfo* VideoDeviceAt(int32_t index) const;  // nullptr outside the list
    // The size a device opens at: the one chosen for it last, or its first.
    int32_t SizeOnOpening(int32_t device) const;
    // Opening a device closes the one before; when the new one cannot be opened the one
    // before is opened again and the error says why.
    void OpenVideo(int32_t device, int32_t sizeIndex);
    void OpenVideoNow(int32_t device, int32_t sizeIndex);
    VideoSourceSettings OpeningSettings(const DeviceInfo& d);
    void OpenAudio(int32_t device);
    void OpenAudioNow(int32_t device);
    // The lists show what is open, unless a newer choice waits to be opened.
    void ShowOpened(bool video);
    bool VideoOpen() const;
    bool AudioOpen() const;
    void RefuseWhileCapturing(const char* what) const;
    // Reopens a device that was lost and waits for it to deliver; throws when it cannot.
    void EnsureOneDelivers(bool video, std::stop_token stop);
    void TellDelivered();
    void Watch();
    void OnVideo(const AVFrame* frame, AVRational tb);
    void OnAudio(const AVFrame* frame, AVRational tb);
    void OnLost(bool video, const std::string& why);

    std::vector<DeviceInfo> videoDevices_, audioDevices_, outputs_;
    // By device name; read where the device is opened, which need not be the UI thread.
    Guarded<std::map<std::string, VideoSourceSettings>> videoSettings_;
    Guarded<std::map<std::string, AudioSourceSettings>> audioSettings_;
    // Held while a device is opened or closed, by whichever thread does it.
    std::mutex openMutex_;
    struct OpenedVideo {
        int32_t Device = -1, Size = -1;
    };
    OpenedVideo openedVideo_;  // under openMutex_
    void ForgetRefusedSize(int32_t device, int32_t sizeIndex, const OpenedVideo& before);
    int32_t openedAudio_ = -1;  // under openMutex_
    std::atomic<int> preferredRate_{0};
    std::atomic<bool> cameraHasControls_{false};
    Guarded<std::map<std::string, int32_t>> sizeByDevice_;  // the size last chosen for each device
    CoreList<DeviceItem> videoInputs_;
    CoreList<DeviceItem> audioInputs_;
    CoreList<RendererItem> renderers_;
    CoreList<SizeItem> sizes_;

    // Guards the two pointers only: a device is opened and closed outside it (Close).
    mutable std::mutex sourceMutex_;
    std::unique_ptr<AvSource> video_, audio_;
    // Held by the watcher while it looks at the devices, and by Close before it closes one.
    std::mutex stallMutex_;
    void Close(bool video);

    // The listeners, as a list that is never changed once made: a delivery keeps the one it
    // took for as long as it calls it, with no lock held; a change makes a new list.
    using Listeners = std::shared_ptr<const std::vector<FrameListener*>>;
    Listeners MakeListeners(std::vector<FrameListener*> list);
    std::mutex retiredMutex_;  // before listeners_: the last list lets go as the core ends
    std::condition_variable retiredCv_;
    Guarded<Listeners> listeners_{MakeListeners({})};
    // Set before the first device opens; afterwards only read, on the devices' threads.
    FrameProcessor videoProcessor_;
    AudioProcessor audioProcessor_;

    mutable std::mutex latestMutex_;
    AVFrame* latest_ = nullptr;
    std::atomic<bool> keepLatest_{true};

    std::function<bool()> capturing_;

    // A capture's thread waiting for a first delivery sleeps here; deliveries wake it.
    std::atomic<int> deliveryWaiters_{0};
    std::mutex deliveryMutex_;
    std::condition_variable_any deliveryCv_;

    // Notices devices that stopped delivering without an error (a frozen server).
    std::mutex watchMutex_;
    std::condition_variable watchCv_;
    bool watchStop_ = false;
    std::thread watcher_;

    // Set once, before any device is chosen; gone first as the core ends.
    std::unique_ptr<DeviceOpener> opener_;
};

}  // namespace pelta::engine
