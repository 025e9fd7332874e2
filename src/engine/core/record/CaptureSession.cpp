#include "engine/core/record/CaptureSession.h"

#include "engine/core/record/CaptureErrors.h"
#include "engine/core/record/CaptureJournal.h"
#include "engine/core/record/CaptureWriter.h"
#include "engine/core/record/FileSink.h"
#include "engine/core/record/PicturePreparer.h"
#include "engine/core/record/SessionTiming.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <optional>
#include <cmath>
#include <filesystem>
#include <set>
#include <sys/resource.h>
#include <unistd.h>

namespace pelta::engine {

using record::CaptureErrorCode;
using namespace record::session;

namespace {

// What the clocks of a capture can hold: frame rates from one picture a second (the file's
// length then stays within a second of the capture's) to 1000; time limits and frame
// delays of up to ten years, whose samples and slots fit 64 bits and the steady clock.
// A picture every 1000 s: below one a second for time-lapses, as the capture dialog allows.
constexpr double kLowestFrameRate = 0.001;
constexpr double kHighestFrameRate = 1000;
constexpr double kLongestSeconds = 10.0 * 365 * 24 * 3600;

// How far below the devices' threads the encoders' threads run: a picture grabbed late is
// lost for good, one encoded late waits in the queue. Two cores are shared with the devices,
// the X server and the desktop, and the encoders are the one part that can wait.
constexpr int kEncoderNiceness = 5;

// Opens the writer on a thread of its own one step down: the threads the encoders start as
// they open take its priority (the capture's own thread and the devices' keep theirs).
std::string OpenBelowDevices(record::CaptureWriter& writer, const record::WriterSetup& setup, CaptureErrorCode& code) {
    std::string why;
    std::thread opener([&] {
        const auto self = static_cast<id_t>(gettid());
        errno = 0;
        const int now = getpriority(PRIO_PROCESS, self);
        if (errno == 0) setpriority(PRIO_PROCESS, self, std::min(now + kEncoderNiceness, 19));
        why = writer.Open(setup, code);
    });
    opener.join();
    return why;
}

constexpr const char* kStalledWords = ": it delivered nothing for ";

// The captures running in this process, for FinishAllRunning. Never destroyed: an exit
// handler reads it after static objects may be gone.
std::mutex gRunningMutex;
std::set<CaptureSession*>& Running() {
    static auto* running = new std::set<CaptureSession*>();
    return *running;
}

// "Lost X: it delivered nothing for 3 seconds." said after kGoneAfter instead.
std::string GoneText(const std::string& stallWhy, std::chrono::seconds after) {
    const auto at = stallWhy.find(kStalledWords);
    return (at == std::string::npos ? std::string("Lost a device") : stallWhy.substr(0, at)) + kStalledWords +
           std::to_string(after.count()) + " seconds.";
}

std::string FormatName(int32_t code) {
    const std::string name = OutputFormat::Name(code);
    return name.empty() ? "unknown" : name;
}

}  // namespace

CaptureSession::CaptureSession(MediaHub& hub, EngineEventPoster poster)
    : hub_(hub),
      poster_(std::move(poster)),
      videoCompressors_(record::AvailableVideoCompressors()),
      audioCompressors_(record::AvailableAudioCompressors()),
      fileName_(record::DefaultCaptureFileName()) {}

CaptureSession::~CaptureSession() {
    EndCaptureAndWait();
    UnlistRunning();
}

void CaptureSession::EndCaptureAndWait() {
    EndCapture();
    JoinWriter();
}

bool CaptureSession::StalledTooLong(Clock::time_point now) {
    for (const auto& since : stalledSince_) {
        const int64_t at = since.load();
        if (at != 0 && now - Clock::time_point(Clock::duration(at)) >= kGoneAfter) {
            std::lock_guard lock(queueMutex_);
            sourceLost_ = true;
            lostWhy_ = GoneText(stallWhy_, kGoneAfter);
            return true;
        }
    }
    return false;
}

void CaptureSession::UnlistRunning() {
    std::lock_guard lock(gRunningMutex);
    Running().erase(this);
}

bool CaptureSession::FinishAllRunning(std::chrono::milliseconds wait) {
    {
        std::lock_guard lock(gRunningMutex);
        for (CaptureSession* s : Running()) {
            {
                std::lock_guard queue(s->queueMutex_);
                s->stopRequested_ = true;
            }
            s->queueCv_.notify_all();
        }
    }
    const auto until = Clock::now() + wait;
    for (;;) {
        {
            std::lock_guard lock(gRunningMutex);
            if (Running().empty()) return true;
        }
        if (Clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// A reservation that goes unused: a file it created holds nothing of the user's and goes.
void CaptureSession::ForgetReservation(bool removeOwnFile) {
    if (removeOwnFile && reservedCreated_ && !reservedFile_.empty()) {
        std::error_code ec;
        std::filesystem::remove(reservedFile_, ec);
    }
    reservedFile_.clear();
    reservedBytes_ = 0;
    reservedCreated_ = false;
}

void CaptureSession::Post(EngineEventKind kind, int32_t value) const {
    if (poster_) {
        poster_(kind, value);
    }
}

bool CaptureSession::ModeAvailable(int32_t mode) const {
    const bool v = hub_.HasVideo();
    const bool a = hub_.HasAudio();
    switch (mode) {
    case CaptureMode::AnyVideoAudio: return v || a;
    case CaptureMode::VideoAndAudio: return v && a;
    case CaptureMode::VideoOnly:
    case CaptureMode::ManualFrames:
    case CaptureMode::AutoFrames:
    case CaptureMode::StillPicture: return v;
    case CaptureMode::AudioOnly: return a;
    case CaptureMode::ManualFramesAudio:
    case CaptureMode::AutoFramesAudio: return v && a;
    default: return false;
    }
}

void CaptureSession::Validate(int32_t mode) const {
    if (mode == CaptureMode::StillPicture) {
        throw EngineError("A still picture is not recorded to a file; it is taken with StillPictureHandle.");
    }
    if (mode < 1 || mode > 8) {
        throw EngineError("Capture mode " + std::to_string(mode) + " does not exist.");
    }
    if (outputFormat_ != OutputFormat::Avi && outputFormat_ != OutputFormat::Wave && outputFormat_ != OutputFormat::Mp3) {
        throw EngineError(std::string("The output format \"") + FormatName(outputFormat_) +
                          "\" cannot be written; choose AVI, WAVE or MP3.");
    }
    if (ModeHasVideo(mode) && outputFormat_ != OutputFormat::Avi) {
        throw EngineError(std::string("A ") + FormatName(outputFormat_) +
                          " file holds sound only; video must be captured into an AVI file.");
    }
    if (ModeHasVideo(mode) && !hub_.HasVideo()) {
        throw EngineError("No video device is selected.");
    }
    if (ModeHasAudio(mode) && !hub_.HasAudio()) {
        throw EngineError("No audio device is selected.");
    }
    if (fileName_.empty()) {
        throw EngineError("No capture file is named.");
    }
}

void CaptureSession::PrepareCapture(int32_t mode) {
    RefuseWhileRunning();
    Validate(mode);
    preparedMode_ = mode;
    targetState_ = TargetStateCode::Prepared;
}

// A capture that was stopped counts as running until its file is finished: that is said
// apart, since it is over in a moment.
void CaptureSession::RefuseWhileRunning() const {
    if (!running_) return;
    if (stop_.stop_requested()) throw EngineError("The last capture is still being finished.");
    throw EngineError("A capture is already running.");
}

void CaptureSession::JoinWriter() {
    if (writer_.joinable()) {
        writer_.join();
    }
}

// Checks what can be checked at once and returns: the devices are made to deliver and the
// file is opened on the capture's own thread. The outcome comes as events: the first
// CaptureProgress once pictures or sound are written, or CaptureError and CaptureEnded when
// the capture could not start.
void CaptureSession::BeginCapture(int32_t mode) {
    RefuseWhileRunning();
    Validate(mode);
    JoinWriter();  // the last capture's thread has finished its file (running_ is false)

    StartPlan plan;
    plan.Path = fileName_;
    plan.Reserved = !reservedFile_.empty() && reservedFile_ == fileName_;
    plan.ReservedCreated = plan.Reserved && reservedCreated_;
    plan.ReserveBytes = plan.Reserved ? reservedBytes_ : 0;
    plan.Existed = std::filesystem::exists(fileName_);
    plan.PreviousCapture = lastCapture_;
    plan.PreviousTarget = lastCapture_.empty() ? TargetStateCode::NoOutput : TargetStateCode::Finished;
    if (plan.Reserved) ForgetReservation(false);  // used up by this capture, or removed if it fails

    mode_ = mode;
    wantVideo_ = ModeHasVideo(mode);
    wantAudio_ = ModeHasAudio(mode);
    framesCaptured_ = 0;
    dropDevice_ = dropEncoder_ = dropDisk_ = dropClock_ = discarded_ = 0;
    bytesWritten_ = packetsWritten_ = 0;
    fileBytes_ = 0;
    audioSamplesSeen_ = 0;
    elapsed_ = 0;
    {
        std::lock_guard lock(queueMutex_);
        stopRequested_ = false;
        sourceLost_ = false;
        lostWhy_.clear();
        prepareFailure_.clear();
        grabsRequested_ = grabsDone_ = 0;
        haveArrivalPts_ = false;
        carry_ = {};
        holdFirst_ = false;
    }
    activeMode_ = mode;
    lastCapture_ = fileName_;
    targetState_ = TargetStateCode::Writing;
    endedPosted_ = false;
    videoCompressors_.SetLocked(true);
    audioCompressors_.SetLocked(true);
    stop_ = std::stop_source();
    running_ = true;
    writer_ = std::thread([this, plan, stop = stop_.get_token()] {
        if (StartWriting(plan, stop)) WriterLoop();
    });
}

// The capture's thread, before its first picture: makes the devices deliver, opens the file
// and starts listening. False when the capture did not start; it has then said why and ended.
bool CaptureSession::StartWriting(const StartPlan& plan, std::stop_token stop) {
    // A screen or pattern is asked for the capture's rate itself, so no picture is repeated
    // or thrown away to reach it. Devices lost since they were chosen are opened again; one
    // that cannot deliver ends the capture here, before any file is touched.
    try {
        if (wantVideo_ && !ModeIsSequence(mode_))
            hub_.PreferFrameRate(frameRateOn_ && frameRateValue_ > 0 ? static_cast<int>(std::ceil(frameRateValue_)) : 0,
                                 stop);
        hub_.EnsureDelivering(wantVideo_, wantAudio_, stop);
    } catch (const EngineError& e) {
        return AbandonStart(plan, CaptureErrorCode::DeviceLost, e.what());
    }
    if (stop.stop_requested()) return AbandonStart(plan, std::nullopt, {});  // stopped before it began
    VideoFormat vf = hub_.CurrentVideoFormat();
    const AudioFormat af = hub_.CurrentAudioFormat();
    if (wantVideo_) {
        // The file takes the pictures' shape after the processors (a rotation or a crop),
        // in square pixels.
        if (AVFrame* latest = hub_.LatestVideoFrame()) {
            const AVRational sar = latest->sample_aspect_ratio;
            vf.Width = sar.num > 0 && sar.den > 0 ? static_cast<int>(std::lround(latest->width * av_q2d(sar)))
                                                  : latest->width;
            vf.Height = latest->height;
            av_frame_free(&latest);
        }
    }
    if (wantVideo_ && (vf.Width <= 0 || vf.Height <= 0))
        return AbandonStart(plan, CaptureErrorCode::DeviceLost, "The video device delivers no picture.");
    if (wantAudio_ && (af.SampleRate <= 0 || af.Channels <= 0))
        return AbandonStart(plan, CaptureErrorCode::DeviceLost, "The audio device delivers no sound.");
    constantRate_ = false;
    if (ModeIsSequence(mode_)) {
        rate_ = AVRational{kSequenceFramesPerSecond, 1};
    } else if (frameRateOn_ && frameRateValue_ > 0) {
        rate_ = av_d2q(frameRateValue_, 1001000);
        constantRate_ = true;
    } else {
        rate_ = vf.FrameRate.num > 0 && vf.FrameRate.den > 0 ? vf.FrameRate : AVRational{30, 1};
    }

    record::WriterSetup setup;
    setup.Path = plan.Path;
    setup.Format = outputFormat_;
    setup.KeepAllocation = plan.ReservedCreated;
    setup.ReserveBytes = plan.ReserveBytes;
    setup.Video = wantVideo_;
    setup.VideoIn = vf;
    setup.VideoRate = rate_;
    setup.VideoEncoder = videoCompressors_.SelectedEncoder(record::kRawVideoEncoder);
    {
        std::lock_guard lock(queueMutex_);
        setup.VideoQuality = queueSettings_.VideoQuality;
        // Sound is queued by its duration: devices deliver packets of anything from 10 to 100 ms.
        audioQueueSamples_ = int64_t(queueSettings_.AudioSeconds) * std::max(af.SampleRate, 1);
        deviceRate_ = vf.FrameRate;
    }
    setup.Audio = wantAudio_;
    setup.AudioIn = af;
    setup.AudioEncoder = outputFormat_ == OutputFormat::Mp3 ? std::string(record::kMp3Encoder)
                                                            : audioCompressors_.SelectedEncoder(record::kPcmEncoder);
    setup.VideoSettings = EncoderSettingsFor(setup.VideoEncoder);
    setup.AudioSettings = EncoderSettingsFor(setup.AudioEncoder);

    auto writer = std::make_unique<record::CaptureWriter>();
    CaptureErrorCode code{};
    const std::string why = OpenBelowDevices(*writer, setup, code);
    if (!why.empty()) {
        writer.reset();
        if (code == CaptureErrorCode::EncoderFailed)
            return AbandonStart(plan, code, "The capture cannot start: " + why + ".");
        return AbandonStart(plan, CaptureErrorCode::CannotCreateFile,
                            "Cannot create the capture file " + plan.Path + ": " + why + ".");
    }
    out_ = std::move(writer);
    journal_ = record::JournalEntry::Begin(fileName_);  // until the file is finished

    if (wantVideo_ && wantAudio_ && masterStream_ == 0) {
        out_->SetAudioHoldback(std::llround(kFollowHoldback * out_->AudioRate()));
    }
    limitSlots_ = INT64_MAX;
    limitSamples_ = INT64_MAX;
    // (The setters keep the limit and the rate within what these products can hold.)
    if (timeLimitOn_ && timeLimitSeconds_ > 0) {
        limitSlots_ = std::max<int64_t>(1, std::llround(timeLimitSeconds_ * av_q2d(rate_)));
        if (wantAudio_) {
            limitSamples_ = std::llround(timeLimitSeconds_ * out_->AudioRate());
            out_->SetAudioSampleLimit(limitSamples_);
        }
    }
    stalledSince_[0] = stalledSince_[1] = 0;
    audioGap_ = false;
    haveZero_ = haveVideoStart_ = haveAudioStart_ = false;
    videoDone_ = !wantVideo_ || ModeIsSequence(mode_);
    audioDone_ = !wantAudio_;
    nextSlot_ = 0;
    pending_ = {};
    havePlaced_ = false;
    lastUnscaled_ = 0;
    sequenceFrames_ = 0;
    audioClockRatio_ = 1.0;
    audioRateSeen_ = out_->AudioRate();
    // The device's pictures are prepared as they arrive (a sequence's by the writer).
    const bool prepareOnArrival = wantVideo_ && !ModeIsSequence(mode_);
    int queueLimit = 0;
    {
        std::lock_guard lock(queueMutex_);
        queueLimit = videoQueueLimit_ = record::session::VideoQueueLimit(queueSettings_.VideoFrames, out_->PixelFormat(),
                                                                         out_->Width(), out_->Height());
        holdFirst_ = prepareOnArrival;
    }
    if (prepareOnArrival) {
        preparer_ = std::make_unique<record::PicturePreparer>(out_->PixelFormat(), out_->Width(), out_->Height());
        // Where fresh memory is dear (a new 3840x2160 picture's buffer took 25 ms on a virtual
        // machine, most of the time between two pictures), the device's thread would lose
        // pictures making them as the queue and the encoder fill up: then all the pictures
        // they can hold are made now, before the clock starts.
        const auto before = Clock::now();
        preparer_->Reserve(1);
        if (Seconds(Clock::now() - before) > 0.5 / av_q2d(rate_))
            preparer_->Reserve(queueLimit + out_->PicturesHeld() + 1);
        // The pictures go to this capture as they arrive: the hub need not hold one as well.
        hub_.KeepLatestVideoFrame(false);
    }
    begin_ = Clock::now();
    nextAutoGrab_ = begin_;
    listening_ = true;
    hub_.AddListener(this);
    {
        std::lock_guard lock(gRunningMutex);
        Running().insert(this);
    }
    Post(EngineEventKind::CaptureProgress, 0);  // started: "Recording ..." shows at once
    return true;
}

// A capture that did not start: nothing of it is left on disk, and the window hears why
// (no error when it was stopped before it began) and that it ended.
bool CaptureSession::AbandonStart(const StartPlan& plan, std::optional<CaptureErrorCode> code, const std::string& why) {
    std::error_code ec;
    if (!plan.Existed || plan.ReservedCreated) std::filesystem::remove(plan.Path, ec);
    if (code) {
        std::lock_guard lock(queueMutex_);
        lastErrorText_ = why;
    }
    lastCapture_ = plan.PreviousCapture;  // read on the UI thread only once running_ is false
    targetState_ = plan.PreviousTarget;
    videoCompressors_.SetLocked(false);
    audioCompressors_.SetLocked(false);
    running_ = false;
    {
        std::lock_guard lock(queueMutex_);  // a GrabFrame waiting for this capture gives up
    }
    queueCv_.notify_all();
    if (code) Post(EngineEventKind::CaptureError, record::Code(*code));
    if (!endedPosted_.exchange(true)) Post(EngineEventKind::CaptureEnded, 0);
    return false;
}

// Stops the capture and returns: the capture's thread encodes what is queued, finishes the
// file and then raises CaptureEnded; until then the capture counts as running, so nothing
// can change under it or start over it. One still waiting for its devices' first picture
// is let go at once and ends with nothing written.
void CaptureSession::EndCapture() {
    if (writer_.joinable()) {
        stop_.request_stop();
        {
            std::lock_guard lock(queueMutex_);
            stopRequested_ = true;
        }
        queueCv_.notify_all();
    }
    if (preparedMode_ != 0 && targetState_ == TargetStateCode::Prepared) {
        targetState_ = lastCapture_.empty() ? TargetStateCode::NoOutput : TargetStateCode::Finished;
        // A declined capture: a file reserved for it that holds nothing goes again.
        if (reservedFile_ == fileName_) ForgetReservation(true);
    }
    preparedMode_ = 0;
}

void CaptureSession::GrabFrame() {
    if (!running_ || (mode_ != CaptureMode::ManualFrames && mode_ != CaptureMode::ManualFramesAudio)) {
        throw EngineError("No manual frame sequence is running.");
    }
    const int32_t before = framesCaptured_;
    std::unique_lock lock(queueMutex_);
    const int ticket = ++grabsRequested_;
    queueCv_.notify_all();
    queueCv_.wait_for(lock, std::chrono::seconds(3), [&] { return grabsDone_ >= ticket || !running_; });
    if (framesCaptured_ == before) {
        throw EngineError("No picture could be grabbed.");
    }
}

void CaptureSession::OnVideoFrame(const AVFrame* frame, AVRational timeBase) {
    if (listening_ && (mode_ == CaptureMode::VideoAndAudio || mode_ == CaptureMode::VideoOnly)) {
        Push(frame, true, timeBase);
    }
}

void CaptureSession::OnAudioFrame(const AVFrame* frame, AVRational timeBase) {
    if (listening_ && wantAudio_) {
        Push(frame, false, timeBase);
    }
}

void CaptureSession::OnSourceLost(bool video, const std::string& why) {
    if (!listening_ || (video && !wantVideo_) || (!video && !wantAudio_)) {
        return;
    }
    // The sources' own words for a device that went silent but is still there
    // (AvSource::StalledText); anything else means the device or its server is gone.
    if (why.find(kStalledWords) != std::string::npos) {
        int64_t none = 0;
        if (stalledSince_[video ? 0 : 1].compare_exchange_strong(none, Clock::now().time_since_epoch().count())) {
            std::lock_guard lock(queueMutex_);
            stallWhy_ = why;
        }
        if (!video) audioGap_ = true;
        return;
    }
    {
        std::lock_guard lock(queueMutex_);
        sourceLost_ = true;
        lostWhy_ = why;
    }
    queueCv_.notify_all();
}

int32_t CaptureSession::ActiveMode() const { return running_ ? activeMode_ : 0; }

int32_t CaptureSession::State() const { return running_ ? EngineStateCode::Capturing : 1; }

int32_t CaptureSession::TargetState() const { return targetState_; }

void CaptureSession::ResetOutput() {
    if (running_) {
        throw EngineError("The output cannot be reset while a capture is running.");
    }
    preparedMode_ = 0;
    targetState_ = TargetStateCode::NoOutput;
}

std::string CaptureSession::CaptureFileName() const { return fileName_; }

void CaptureSession::SetCaptureFileName(const std::string& path) {
    if (running_) {
        throw EngineError("The capture file cannot change while a capture is running.");
    }
    fileName_ = path;
}

int32_t CaptureSession::OutputFormat() const { return outputFormat_; }

void CaptureSession::SetOutputFormat(int32_t code) {
    if (running_) {
        throw EngineError("The output format cannot change while a capture is running.");
    }
    outputFormat_ = code;
}

void CaptureSession::ReserveCaptureFile(int32_t sizeMB) {
    if (running_) {
        throw EngineError("The capture file cannot be reserved while a capture is running.");
    }
    if (sizeMB < 0) {
        throw EngineError("The capture file size cannot be negative.");
    }
    if (sizeMB == 0) {
        return;  // nothing to set aside
    }
    // An earlier reservation of ours holds nothing: it may be given back or resized.
    if (reservedCreated_ && reservedFile_ == fileName_) ForgetReservation(true);
    const bool created = record::ReserveFile(fileName_, int64_t(sizeMB) * 1048576);
    if (!reservedFile_.empty() && reservedFile_ != fileName_) ForgetReservation(true);
    reservedFile_ = fileName_;
    reservedBytes_ = int64_t(sizeMB) * 1048576;
    reservedCreated_ = created;
}

void CaptureSession::CopyCaptureTo(const std::string& fileName, bool) {
    if (running_) {
        throw EngineError("The capture cannot be copied while it is being recorded.");
    }
    record::CopyWhole(lastCapture_, fileName);
}

StillPicture CaptureSession::StillPictureHandle() const {
    AVFrame* f = hub_.LatestVideoFrame();
    if (f == nullptr) {
        const auto last = lastPrepared_.Lock();
        f = *last != nullptr ? av_frame_clone(*last) : nullptr;
    }
    if (f == nullptr) {
        throw EngineError("There is no picture to copy.");
    }
    StillPicture pic;
    pic.Width = f->width;
    pic.Height = f->height;
    pic.Stride = f->width * 4;
    pic.Pixels.resize(static_cast<size_t>(pic.Stride) * static_cast<size_t>(pic.Height));
    SwsContext* sws = sws_getContext(f->width, f->height, static_cast<AVPixelFormat>(f->format), f->width,
                                     f->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
    if (sws == nullptr) {
        av_frame_free(&f);
        throw EngineError("The picture format cannot be converted.");
    }
    uint8_t* dst[4] = {pic.Pixels.data(), nullptr, nullptr, nullptr};
    int dstStride[4] = {pic.Stride, 0, 0, 0};
    sws_scale(sws, f->data, f->linesize, 0, f->height, dst, dstStride);
    sws_freeContext(sws);
    av_frame_free(&f);
    return pic;
}

void CaptureSession::SetTimeLimitSeconds(double s) {
    if (!(s >= 0 && s <= kLongestSeconds)) {
        throw EngineError("The time limit must be between 0 and 315360000 seconds (ten years).");
    }
    timeLimitSeconds_ = s;
}

void CaptureSession::SetFrameRateValue(double fps) {
    if (!(fps == 0 || (fps >= kLowestFrameRate && fps <= kHighestFrameRate))) {
        throw EngineError("The frame rate must be 0 (the device's own) or between 0.001 and 1000 frames per second.");
    }
    frameRateValue_ = fps;
}

void CaptureSession::SetFrameGapSeconds(double s) {
    if (!(s > 0 && s <= kLongestSeconds)) {
        throw EngineError("The delay between frames must be more than 0 and at most 315360000 seconds (ten years).");
    }
    frameGapSeconds_ = s;
}

void CaptureSession::SetMasterStreamIndex(int32_t index) {
    if (index < -1 || index > 1) {
        throw EngineError("The master stream must be -1 (none), 0 (video) or 1 (audio).");
    }
    if (running_) {
        throw EngineError("The master stream cannot change while a capture is running.");
    }
    masterStream_ = index;
}

int32_t CaptureSession::FramesDropped() const { return DroppedByCause().Total(); }

DropCounts CaptureSession::DroppedByCause() const {
    return DropCounts{dropDevice_, dropEncoder_, dropDisk_, dropClock_, discarded_};
}

int32_t CaptureSession::MeanFrameBytes() const {
    const int64_t packets = packetsWritten_;
    return packets > 0 ? static_cast<int32_t>(bytesWritten_ / packets) : 0;
}

// The writer brings it up to date every few milliseconds while the capture runs.
double CaptureSession::ElapsedSeconds() const { return elapsed_.load(); }

std::string CaptureSession::LastErrorText() const {
    std::lock_guard lock(queueMutex_);
    return lastErrorText_;
}

CaptureQueueSettings CaptureSession::QueueSettings() const {
    std::lock_guard lock(queueMutex_);
    return queueSettings_;
}

void CaptureSession::SetQueueSettings(const CaptureQueueSettings& settings) {
    if (settings.VideoFrames < 1 || settings.VideoFrames > 240 || settings.AudioSeconds < 1 ||
        settings.AudioSeconds > 60 || settings.VideoQuality < 2 || settings.VideoQuality > 31) {
        throw EngineError("Queue lengths are 1 to 240 pictures and 1 to 60 seconds of sound; quality is 2 to 31.");
    }
    std::lock_guard lock(queueMutex_);
    queueSettings_ = settings;
}

void CaptureSession::SetEncoderSettings(const std::string& encoder, const record::EncoderSettings& settings) {
    std::lock_guard lock(encoderSettingsMutex_);
    if (!record::HasEncoderSettings(encoder)) {
        encoderSettings_.erase(encoder);
        return;
    }
    encoderSettings_[encoder] = settings.Clamped(encoder);
}

record::EncoderSettings CaptureSession::EncoderSettingsFor(const std::string& encoder) const {
    {
        std::lock_guard lock(encoderSettingsMutex_);
        auto it = encoderSettings_.find(encoder);
        if (it != encoderSettings_.end()) {
            return it->second;
        }
    }
    record::EncoderSettings settings = record::DefaultEncoderSettings(encoder);
    if (settings.Has("quality")) {
        std::lock_guard lock(queueMutex_);
        settings.Set("quality", queueSettings_.VideoQuality);
    }
    return settings;
}

std::string CaptureSession::ChosenAudioEncoder() const {
    return outputFormat_ == OutputFormat::Mp3 ? std::string(record::kMp3Encoder)
                                              : audioCompressors_.SelectedEncoder(std::string());
}

}  // namespace pelta::engine
