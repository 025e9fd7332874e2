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
    return std::make_shared<ScreenCastShare>(url, drawCursor);
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

ScreenCastShare::ScreenCastShare(const std::string& url, bool drawCursor) : url_(url), drawCursor_(drawCursor) {
    portal_ = std::make_unique<PortalScreenCast>(
        OfferFromUrl(url), drawCursor, [this](PortalGrant g) { OnGranted(g); },
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
    cv_.wait_for(lock, wait, [this] { return answered_; });
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
    {
        std::lock_guard lock(mutex_);
        if (ended_) return;
        ended_ = true;
        endedWhy_ = why;
        if (!answered_) {
            answered_ = true;
            refusal_ = why;
        }
        for (Viewer* v : viewers_) v->OnScreenEnded(why);
    }
    cv_.notify_all();
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
