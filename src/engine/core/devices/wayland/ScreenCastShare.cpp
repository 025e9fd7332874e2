#include "engine/core/devices/wayland/ScreenCastShare.h"
#include "engine/core/EngineContract.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <thread>

namespace pelta::engine {

namespace {

constexpr auto kKeepFor = std::chrono::seconds(5);

// The grant kept between two sources. Lives for the whole program (never destroyed, so
// no thread is joined during exit); its thread ends a kept grant when its time is up.
struct Keeper {
    std::mutex Mutex;
    std::condition_variable Cv;
    std::shared_ptr<ScreenCastShare> Kept;
    std::string Url;
    bool Cursor = false;
    std::chrono::steady_clock::time_point Until;
    bool ThreadStarted = false;

    void Run() {
        std::unique_lock lock(Mutex);
        for (;;) {
            if (!Kept) {
                Cv.wait(lock);
                continue;
            }
            if (Cv.wait_until(lock, Until) == std::cv_status::timeout && Kept &&
                std::chrono::steady_clock::now() >= Until) {
                std::shared_ptr<ScreenCastShare> old = std::move(Kept);
                lock.unlock();
                old.reset();  // closes the session, outside the lock
                lock.lock();
            }
        }
    }
};

Keeper& TheKeeper() {
    static Keeper* keeper = new Keeper;
    return *keeper;
}

// Requests held back, and who hears of refusals. Lives for the whole program.
struct Gate {
    std::mutex Mutex;
    bool Held = false;
    std::vector<std::weak_ptr<ScreenCastShare>> Waiting;
    std::shared_ptr<const std::function<void(const std::string&)>> Listener;
};

Gate& TheGate() {
    static Gate* gate = new Gate;
    return *gate;
}

}  // namespace

std::shared_ptr<ScreenCastShare> ScreenCastShare::Acquire(const std::string& url, bool drawCursor) {
    Keeper& k = TheKeeper();
    std::shared_ptr<ScreenCastShare> kept;
    {
        std::lock_guard lock(k.Mutex);
        kept = std::move(k.Kept);
    }
    if (kept && kept->url_ == url && kept->drawCursor_ == drawCursor && kept->Running()) return kept;
    kept.reset();  // another choice: the old grant ends before the new one is asked for
    auto share = std::make_shared<ScreenCastShare>(url, drawCursor);
    {
        Gate& g = TheGate();
        std::lock_guard lock(g.Mutex);
        if (g.Held) {
            g.Waiting.push_back(share);
            return share;
        }
    }
    share->Ask();
    return share;
}

void ScreenCastShare::HoldRequests() {
    Gate& g = TheGate();
    std::lock_guard lock(g.Mutex);
    g.Held = true;
}

void ScreenCastShare::ReleaseRequests() {
    std::vector<std::weak_ptr<ScreenCastShare>> waiting;
    {
        Gate& g = TheGate();
        std::lock_guard lock(g.Mutex);
        g.Held = false;
        waiting.swap(g.Waiting);
    }
    for (auto& w : waiting)
        if (auto share = w.lock()) share->Ask();
}

void ScreenCastShare::SetRefusalListener(std::function<void(const std::string&)> listener) {
    Gate& g = TheGate();
    std::lock_guard lock(g.Mutex);
    g.Listener = listener ? std::make_shared<const std::function<void(const std::string&)>>(std::move(listener))
                          : nullptr;
}

void ScreenCastShare::Release(std::shared_ptr<ScreenCastShare> share) {
    if (!share || !share->Running()) return;
    Keeper& k = TheKeeper();
    std::shared_ptr<ScreenCastShare> old;
    {
        std::lock_guard lock(k.Mutex);
        old = std::move(k.Kept);
        k.Kept = std::move(share);
        k.Until = std::chrono::steady_clock::now() + kKeepFor;
        if (!k.ThreadStarted) {
            k.ThreadStarted = true;
            std::thread([&k] { k.Run(); }).detach();
        }
    }
    k.Cv.notify_all();
}

void ScreenCastShare::DropKept() {
    Keeper& k = TheKeeper();
    std::shared_ptr<ScreenCastShare> old;
    {
        std::lock_guard lock(k.Mutex);
        old = std::move(k.Kept);
    }
}

ScreenCastShare::ScreenCastShare(const std::string& url, bool drawCursor) : url_(url), drawCursor_(drawCursor) {}

void ScreenCastShare::Ask() {
    {
        std::lock_guard lock(mutex_);
        if (asked_) return;
        asked_ = true;
    }
    // Only this call sets portal_, before any answer can come; the destructor resets it.
    portal_ = std::make_unique<PortalScreenCast>(
        OfferFromUrl(url_), drawCursor_, [this](PortalGrant g) { OnGranted(g); },
        [this](const std::string& why) { OnEnded(why); });
}

ScreenCastShare::~ScreenCastShare() {
    portal_.reset();  // closes the session; no grant arrives after this
    stream_.reset();
    av_frame_free(&last_);
}

bool ScreenCastShare::Running() {
    std::lock_guard lock(mutex_);
    return !ended_;
}

bool ScreenCastShare::WaitForAnswer(std::chrono::milliseconds wait, std::string& refusal) {
    std::unique_lock lock(mutex_);
    if (!asked_) return true;  // held back: the desktop answers once it is asked
    waiting_ = true;
    cv_.wait_for(lock, wait, [this] { return answered_; });
    waiting_ = false;
    refusal = refusal_;
    return refusal_.empty();
}

void ScreenCastShare::AddViewer(Viewer* viewer) {
    std::lock_guard lock(mutex_);
    viewers_.push_back(viewer);
    if (last_) viewer->OnScreenPicture(last_);
    if (ended_) viewer->OnScreenEnded(endedWhy_);  // ended between the answer and now
}

void ScreenCastShare::RemoveViewer(Viewer* viewer) {
    std::lock_guard lock(mutex_);
    viewers_.erase(std::remove(viewers_.begin(), viewers_.end(), viewer), viewers_.end());
}

void ScreenCastShare::OnGranted(PortalGrant grant) {
    std::unique_ptr<PipeWireScreen> stream;
    std::string failed;
    try {
        stream = std::make_unique<PipeWireScreen>(
            grant.Fd, grant.Node, [this](const ScreenPicture& p) { OnPicture(p); },
            [this](const std::string& why) { OnEnded(why); });
    } catch (const EngineError& e) {
        failed = e.what();
    }
    {
        std::lock_guard lock(mutex_);
        stream_ = std::move(stream);
        answered_ = true;
    }
    cv_.notify_all();
    if (!failed.empty()) OnEnded(failed);
}

// Before the grant this is the desktop's refusal; after it, the end of the sharing.
void ScreenCastShare::OnEnded(const std::string& why) {
    bool tell = false;
    {
        std::lock_guard lock(mutex_);
        if (ended_) return;
        ended_ = true;
        endedWhy_ = why;
        if (!answered_) {
            answered_ = true;
            refusal_ = why;
            tell = !waiting_;  // a waiter throws it to whoever opened the device
        }
        for (Viewer* v : viewers_) v->OnScreenEnded(why);
    }
    cv_.notify_all();
    if (!tell) return;
    std::shared_ptr<const std::function<void(const std::string&)>> listener;
    {
        Gate& g = TheGate();
        std::lock_guard lock(g.Mutex);
        listener = g.Listener;
    }
    if (listener) (*listener)(why);
}

// One copy out of the stream's buffer (which goes back to the compositor); the viewers
// share it by reference.
void ScreenCastShare::OnPicture(const ScreenPicture& p) {
    AVFrame* f = av_frame_alloc();
    if (!f) return;
    f->format = p.Format;
    f->width = p.Width;
    f->height = p.Height;
    if (av_frame_get_buffer(f, 0) < 0) {
        av_frame_free(&f);
        return;
    }
    av_image_copy_plane(f->data[0], f->linesize[0], p.Data, p.Stride, p.Width * 4, p.Height);
    std::lock_guard lock(mutex_);
    av_frame_free(&last_);
    last_ = f;
    for (Viewer* v : viewers_) v->OnScreenPicture(last_);
}

}  // namespace pelta::engine
