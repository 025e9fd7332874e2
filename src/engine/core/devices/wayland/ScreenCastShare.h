// One screen the desktop granted (a portal session and its PipeWire stream), shared by the
// sources opened on it. The engine reopens its video device for a new size, rate or
// region; a new grant each time would ask the user again on older portals, and a still
// screen sends no picture to a new stream until something changes. So the grant of a
// source just closed is kept a few seconds for the next one, with its newest picture.
#pragma once

#include "engine/core/devices/wayland/PipeWireScreen.h"
#include "engine/core/devices/wayland/PortalScreenCast.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct AVFrame;

namespace pelta::engine {

class ScreenCastShare {
public:
    class Viewer {
    public:
        virtual ~Viewer() = default;
        // The newest picture at the stream's own size and format (borrowed), on PipeWire's
        // thread, or at once when added.
        virtual void OnScreenPicture(const AVFrame* picture) = 0;
        // The desktop stopped sharing (or the stream failed) after it had granted.
        virtual void OnScreenEnded(const std::string& why) = 0;
    };

    // The kept grant when it was made for the same offer and cursor choice and still runs;
    // otherwise a new one, whose conversation with the desktop starts now.
    static std::shared_ptr<ScreenCastShare> Acquire(const std::string& offerUrl, bool drawCursor);
    // The caller is done with it: a running grant is kept for the next source a few seconds.
    static void Release(std::shared_ptr<ScreenCastShare> share);
    // Ends a kept grant now (the engine closes).
    static void DropKept();

    // While held, a new share asks the desktop nothing: it waits, as if the desktop were
    // still asking the user, until the hold is released (the program holds its requests
    // while it starts, so that no question comes before its window is up).
    static void HoldRequests();
    static void ReleaseRequests();
    // Told (on the portal's thread) the desktop's reason each time it refuses a screen that
    // nobody is waiting for an answer about (a request released later, a chooser cancelled
    // late). Empty: nobody is told.
    static void SetRefusalListener(std::function<void(const std::string& why)> listener);

    ScreenCastShare(const std::string& offerUrl, bool drawCursor);
    ~ScreenCastShare();
    ScreenCastShare(const ScreenCastShare&) = delete;
    ScreenCastShare& operator=(const ScreenCastShare&) = delete;

    // Waits up to `wait` for the desktop's first answer. False with the reason when it
    // refused; true when it granted or is still asking the user.
    bool WaitForAnswer(std::chrono::milliseconds wait, std::string& refusal);
    void AddViewer(Viewer* viewer);
    void RemoveViewer(Viewer* viewer);  // no call reaches it after this returns

private:
    void Ask();  // starts the conversation with the desktop
    void OnGranted(PortalGrant grant);
    void OnEnded(const std::string& why);
    void OnPicture(const ScreenPicture& picture);
    bool Running();

    const std::string url_;
    const bool drawCursor_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool asked_ = false;             // under mutex_: the desktop has been asked
    bool waiting_ = false;           // under mutex_: WaitForAnswer takes the refusal
    bool answered_ = false;          // under mutex_
    bool ended_ = false;             // under mutex_
    std::string endedWhy_;           // under mutex_
    std::string refusal_;            // under mutex_: why the desktop refused, before granting
    std::vector<Viewer*> viewers_;   // under mutex_
    AVFrame* last_ = nullptr;        // under mutex_
    std::unique_ptr<PortalScreenCast> portal_;
    std::unique_ptr<PipeWireScreen> stream_;  // set on the portal's thread, under mutex_
};

}  // namespace pelta::engine
