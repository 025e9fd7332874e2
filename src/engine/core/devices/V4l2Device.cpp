#include "engine/core/devices/V4l2Device.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <numeric>
#include <sys/ioctl.h>
#include <unistd.h>

namespace pelta::engine {

namespace {

// A driver that keeps answering must not hang enumeration.
constexpr int kMaxControls = 1024;
constexpr int kMaxMenuItems = 256;
constexpr uint32_t kMaxFormats = 256;
constexpr uint32_t kMaxSizes = 1024;
constexpr uint32_t kMaxIntervals = 256;

int32_t ToInt32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

std::string Text(const uint8_t* s, size_t n) {
    const char* c = reinterpret_cast<const char*>(s);
    return std::string(c, strnlen(c, n));
}

std::string Hex(uint32_t id) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", id);
    return buf;
}

}  // namespace

// What VIDIOC_QUERY_EXT_CTRL and VIDIOC_QUERYCTRL both say about a control.
struct V4l2Device::Raw {
    uint32_t Id = 0;
    uint32_t Type = 0;
    std::string Name;
    int64_t Min = 0, Max = 0, Default = 0;
    uint64_t Step = 0;
    uint32_t Flags = 0;
};

namespace {

bool Usable(uint32_t type, uint32_t flags) {
    if (flags & V4L2_CTRL_FLAG_DISABLED) return false;
    switch (type) {
    case V4L2_CTRL_TYPE_INTEGER:
    case V4L2_CTRL_TYPE_BOOLEAN:
    case V4L2_CTRL_TYPE_MENU:
    case V4L2_CTRL_TYPE_INTEGER_MENU:
    case V4L2_CTRL_TYPE_BUTTON: return true;
    default: return false;  // class headings, strings, 64-bit, bitmasks, compound
    }
}

// A rate from a V4L2 frame interval (seconds per frame); nullopt for a zero fraction.
std::optional<CameraRate> RateOf(const v4l2_fract& interval) {
    if (interval.numerator == 0 || interval.denominator == 0) return std::nullopt;
    const uint32_t g = std::gcd(interval.numerator, interval.denominator);
    return CameraRate{interval.denominator / g, interval.numerator / g};
}

bool Faster(const CameraRate& a, const CameraRate& b) {
    return uint64_t(a.Numerator) * b.Denominator > uint64_t(b.Numerator) * a.Denominator;
}

// Keeps the first of rates that differ by less than 0.01 % (29.97 and 30 stay apart), then
// sorts fastest first.
void Tidy(std::vector<CameraRate>& rates) {
    std::vector<CameraRate> kept;
    for (const auto& r : rates) {
        const bool near = std::any_of(kept.begin(), kept.end(), [&](const CameraRate& k) {
            return std::fabs(k.Fps() - r.Fps()) <= 1e-4 * std::max(k.Fps(), r.Fps());
        });
        if (!near) kept.push_back(r);
    }
    std::stable_sort(kept.begin(), kept.end(), Faster);
    rates = std::move(kept);
}

double Seconds(const v4l2_fract& f) { return f.denominator ? double(f.numerator) / f.denominator : 0.0; }

// A stepwise or continuous interval range as the common rates on its grid plus its ends.
std::vector<CameraRate> ReduceIntervals(const v4l2_frmival_stepwise& s, bool continuous) {
    std::vector<CameraRate> out;
    const double lo = Seconds(s.min), hi = Seconds(s.max), step = Seconds(s.step);
    if (lo <= 0 || hi < lo) {
        if (auto r = RateOf(s.min)) out.push_back(*r);
        return out;
    }
    constexpr double kSlack = 1e-4;  // drivers round intervals to their own units (100 ns for UVC)
    for (uint32_t fps : {240u, 120u, 90u, 60u, 50u, 30u, 25u, 24u, 20u, 15u, 10u, 5u, 1u}) {
        const double t = 1.0 / fps;
        if (t < lo * (1 - kSlack) || t > hi * (1 + kSlack)) continue;
        if (!continuous && step > 0) {
            const double k = (t - lo) / step;
            if (std::fabs(k - std::round(k)) > 1e-3) continue;
        }
        out.push_back({fps, 1});
    }
    if (auto r = RateOf(s.min)) out.push_back(*r);
    if (auto r = RateOf(s.max)) out.push_back(*r);
    return out;
}

// A stepwise or continuous size range as its largest size plus the common sizes on its grid.
bool LargerFirst(const std::pair<int32_t, int32_t>& a, const std::pair<int32_t, int32_t>& b) {
    const int64_t aa = int64_t(a.first) * a.second, ba = int64_t(b.first) * b.second;
    return aa != ba ? aa > ba : a.first > b.first;
}

std::vector<std::pair<int32_t, int32_t>> ReduceSizes(const v4l2_frmsize_stepwise& s) {
    static constexpr std::pair<uint32_t, uint32_t> kCommon[] = {
        {3840, 2160}, {2560, 1440}, {1920, 1080}, {1600, 1200}, {1280, 960}, {1280, 720}, {1024, 768},
        {800, 600},   {640, 480},   {640, 360},   {352, 288},   {320, 240},  {176, 144}, {160, 120}};
    const auto fits = [](uint32_t v, uint32_t lo, uint32_t hi, uint32_t step) {
        return v >= lo && v <= hi && (v - lo) % std::max(step, 1u) == 0;
    };
    std::vector<std::pair<int32_t, int32_t>> out;
    if (s.max_width == 0 || s.max_height == 0) return out;
    out.emplace_back(int32_t(s.max_width), int32_t(s.max_height));
    for (auto [w, h] : kCommon)
        if (fits(w, s.min_width, s.max_width, s.step_width) && fits(h, s.min_height, s.max_height, s.step_height))
            out.emplace_back(int32_t(w), int32_t(h));
    return out;
}

}  // namespace

V4l2Device::V4l2Device(IoctlFn ioctlFn) : ioctl_(std::move(ioctlFn)) {
    if (!ioctl_) ioctl_ = [](int fd, unsigned long request, void* arg) { return ::ioctl(fd, request, arg); };
}

V4l2Device::~V4l2Device() { Close(); }

bool V4l2Device::Open(const std::string& path, std::string& why) {
    Close();
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = "Cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    fd_ = fd;
    owned_ = true;
    v4l2_capability cap{};
    if (Call(VIDIOC_QUERYCAP, &cap) < 0) {
        const int e = errno;
        Close();
        why = path + " is not a video device: " + std::strerror(e);
        return false;
    }
    const uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE)) {
        Close();
        why = path + " (" + Text(cap.card, sizeof cap.card) + ") cannot capture video";
        return false;
    }
    return true;
}

void V4l2Device::Adopt(int fd) {
    Close();
    fd_ = fd;
    owned_ = false;
}

void V4l2Device::Close() {
    if (fd_ >= 0 && owned_) ::close(fd_);
    fd_ = -1;
    owned_ = false;
    extQuery_.reset();
}

int V4l2Device::Call(unsigned long request, void* arg) const {
    if (fd_ < 0) {
        errno = EBADF;
        return -1;
    }
    int r;
    do {
        r = ioctl_(fd_, request, arg);
    } while (r < 0 && errno == EINTR);
    return r;
}

// Asks with the extended query when the driver has it, else with the old one. id may carry
// V4L2_CTRL_FLAG_NEXT_CTRL. Leaves the driver's errno on failure.
bool V4l2Device::QueryRaw(uint32_t id, Raw& out) const {
    if (extQuery_.value_or(true)) {
        v4l2_query_ext_ctrl q{};
        q.id = id;
        if (Call(VIDIOC_QUERY_EXT_CTRL, &q) == 0) {
            extQuery_ = true;
            out = {q.id, q.type, Text(reinterpret_cast<const uint8_t*>(q.name), sizeof q.name),
                   q.minimum, q.maximum, q.default_value, q.step, q.flags};
            return true;
        }
        if (errno != ENOTTY) return false;
        extQuery_ = false;
    }
    v4l2_queryctrl q{};
    q.id = id;
    if (Call(VIDIOC_QUERYCTRL, &q) != 0) return false;
    out = {q.id, q.type, Text(q.name, sizeof q.name), q.minimum, q.maximum, q.default_value,
           uint64_t(std::max(q.step, 0)), q.flags};
    return true;
}

bool V4l2Device::Query(uint32_t id, CameraControl& out, uint32_t& flags) const {
    Raw raw;
    if (!QueryRaw(id, raw)) return false;
    flags = raw.Flags;
    if (!Usable(raw.Type, raw.Flags)) {
        errno = EINVAL;
        return false;
    }
    Describe(raw, out);
    return true;
}

void V4l2Device::Describe(const Raw& raw, CameraControl& out) const {
    out = {};
    out.Id = raw.Id;
    out.Name = raw.Name.empty() ? Hex(raw.Id) : raw.Name;
    out.Min = ToInt32(raw.Min);
    out.Max = ToInt32(raw.Max);
    out.Step = ToInt32(int64_t(std::min<uint64_t>(raw.Step, INT32_MAX)));
    out.Default = ToInt32(raw.Default);
    out.ReadOnly = raw.Flags & V4L2_CTRL_FLAG_READ_ONLY;
    out.Inactive = raw.Flags & V4L2_CTRL_FLAG_INACTIVE;
    switch (raw.Type) {
    case V4L2_CTRL_TYPE_BOOLEAN: out.Type = CameraControl::Boolean; break;
    case V4L2_CTRL_TYPE_BUTTON: out.Type = CameraControl::Button; break;
    case V4L2_CTRL_TYPE_MENU:
    case V4L2_CTRL_TYPE_INTEGER_MENU: out.Type = CameraControl::Menu; break;
    default: out.Type = CameraControl::Integer; break;
    }
    if (out.Type == CameraControl::Integer && out.Step < 1) out.Step = 1;
    if (out.Type == CameraControl::Menu) {
        out.Step = 1;
        for (int64_t i = out.Min; i <= out.Max && i - out.Min < kMaxMenuItems; ++i) {
            v4l2_querymenu m{};
            m.id = out.Id;
            m.index = uint32_t(i);
            if (Call(VIDIOC_QUERYMENU, &m) != 0) continue;  // indices the driver leaves out
            if (raw.Type == V4L2_CTRL_TYPE_INTEGER_MENU)
                out.MenuItems.emplace_back(int32_t(i), std::to_string(m.value));
            else
                out.MenuItems.emplace_back(int32_t(i), Text(m.name, sizeof m.name));
        }
    }
    out.Value = out.Default;
    if (out.Type != CameraControl::Button && !(raw.Flags & V4L2_CTRL_FLAG_WRITE_ONLY)) {
        v4l2_control c{out.Id, 0};
        if (Call(VIDIOC_G_CTRL, &c) == 0) out.Value = c.value;
    }
}

std::vector<CameraControl> V4l2Device::Controls() const {
    std::vector<CameraControl> out;
    const auto add = [&](const Raw& raw) {
        if (!Usable(raw.Type, raw.Flags)) return;
        CameraControl c;
        Describe(raw, c);
        out.push_back(std::move(c));
    };
    Raw raw;
    bool enumerated = false;
    uint32_t last = 0;
    for (int n = 0; n < kMaxControls; ++n) {
        if (!QueryRaw(last | V4L2_CTRL_FLAG_NEXT_CTRL, raw)) break;
        enumerated = true;
        if (raw.Id <= last) break;  // a driver that does not move on
        last = raw.Id;
        add(raw);
    }
    if (enumerated) return out;

    // Drivers without NEXT_CTRL: try every standard id, then the private ones up to the first gap.
    for (uint32_t id = V4L2_CID_BASE; id < V4L2_CID_LASTP1; ++id)
        if (QueryRaw(id, raw)) add(raw);
    for (uint32_t id = V4L2_CID_CAMERA_CLASS_BASE + 1; id < V4L2_CID_CAMERA_CLASS_BASE + 64; ++id)
        if (QueryRaw(id, raw)) add(raw);
    for (uint32_t id = V4L2_CID_PRIVATE_BASE; id < V4L2_CID_PRIVATE_BASE + kMaxControls && QueryRaw(id, raw); ++id)
        add(raw);
    return out;
}

std::optional<CameraControl> V4l2Device::Control(uint32_t id) const {
    CameraControl c;
    uint32_t flags = 0;
    if (!Query(id, c, flags)) return std::nullopt;
    return c;
}

std::optional<int32_t> V4l2Device::GetControl(uint32_t id) const {
    v4l2_control c{id, 0};
    if (Call(VIDIOC_G_CTRL, &c) != 0) return std::nullopt;
    return c.value;
}

std::optional<int32_t> V4l2Device::SetControl(uint32_t id, int32_t value, std::string& why) {
    CameraControl c;
    uint32_t flags = 0;
    if (!Query(id, c, flags)) {
        why = "The camera has no control " + Hex(id) + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (c.ReadOnly) {
        why = c.Name + " is read-only";
        return std::nullopt;
    }
    int64_t v = value;
    switch (c.Type) {
    case CameraControl::Boolean: v = v != 0 ? std::max(c.Min, 1) : c.Min; break;
    case CameraControl::Button: v = 0; break;
    case CameraControl::Integer: {
        const int64_t lo = c.Min, hi = std::max(c.Min, c.Max), step = c.Step;
        v = std::clamp(v, lo, hi);
        v = lo + (v - lo + step / 2) / step * step;
        if (v > hi) v -= step;
        break;
    }
    case CameraControl::Menu: {
        if (c.MenuItems.empty()) {
            why = c.Name + " offers no choices";
            return std::nullopt;
        }
        int64_t best = c.MenuItems.front().first;
        for (const auto& item : c.MenuItems)
            if (std::llabs(item.first - v) < std::llabs(best - v)) best = item.first;
        v = best;
        break;
    }
    }
    v4l2_control s{id, int32_t(v)};
    if (Call(VIDIOC_S_CTRL, &s) != 0) {
        why = "Cannot set " + c.Name + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (c.Type == CameraControl::Button || (flags & V4L2_CTRL_FLAG_WRITE_ONLY)) return int32_t(v);
    return GetControl(id).value_or(int32_t(v));
}

std::vector<CameraRate> V4l2Device::RatesFor(uint32_t fourcc, int32_t w, int32_t h) const {
    std::vector<CameraRate> rates;
    v4l2_frmivalenum fi{};
    fi.pixel_format = fourcc;
    fi.width = uint32_t(w);
    fi.height = uint32_t(h);
    for (fi.index = 0; fi.index < kMaxIntervals && Call(VIDIOC_ENUM_FRAMEINTERVALS, &fi) == 0; ++fi.index) {
        if (fi.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            if (auto r = RateOf(fi.discrete)) rates.push_back(*r);
            continue;
        }
        for (const auto& r : ReduceIntervals(fi.stepwise, fi.type == V4L2_FRMIVAL_TYPE_CONTINUOUS))
            rates.push_back(r);
        break;
    }
    Tidy(rates);
    return rates;
}

std::vector<CameraFormat> V4l2Device::Formats() const {
    std::vector<CameraFormat> out;
    v4l2_fmtdesc fd{};
    fd.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (fd.index = 0; fd.index < kMaxFormats && Call(VIDIOC_ENUM_FMT, &fd) == 0; ++fd.index) {
        CameraFormat f;
        f.FourCC = fd.pixelformat;
        f.Description = Text(fd.description, sizeof fd.description);
        f.Compressed = fd.flags & V4L2_FMT_FLAG_COMPRESSED;
        std::vector<std::pair<int32_t, int32_t>> sizes;
        v4l2_frmsizeenum fs{};
        fs.pixel_format = fd.pixelformat;
        for (fs.index = 0; fs.index < kMaxSizes && Call(VIDIOC_ENUM_FRAMESIZES, &fs) == 0; ++fs.index) {
            if (fs.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                sizes.emplace_back(int32_t(fs.discrete.width), int32_t(fs.discrete.height));
                continue;
            }
            for (const auto& s : ReduceSizes(fs.stepwise)) sizes.push_back(s);
            break;
        }
        std::sort(sizes.begin(), sizes.end(), LargerFirst);
        sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
        for (auto [w, h] : sizes) f.Sizes.push_back({w, h, RatesFor(f.FourCC, w, h)});
        out.push_back(std::move(f));
    }
    return out;
}

std::vector<CameraFormat> UsableFormats(const V4l2Device& camera) {
    std::vector<CameraFormat> out;
    for (CameraFormat& f : camera.Formats())
        if (!FfmpegInputFormat(f.FourCC).empty()) out.push_back(std::move(f));
    return out;
}

std::vector<std::pair<int32_t, int32_t>> OfferedSizes(const std::vector<CameraFormat>& formats) {
    std::vector<std::pair<int32_t, int32_t>> sizes;
    for (const CameraFormat& f : formats)
        for (const CameraSize& s : f.Sizes) sizes.emplace_back(s.Width, s.Height);
    std::sort(sizes.begin(), sizes.end(), LargerFirst);
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    return sizes;
}

std::string FfmpegInputFormat(uint32_t fourcc) {
    switch (fourcc) {
    case V4L2_PIX_FMT_YUYV: return "yuyv422";
    case V4L2_PIX_FMT_UYVY: return "uyvy422";
    case V4L2_PIX_FMT_YUV420: return "yuv420p";
    case V4L2_PIX_FMT_YUV422P: return "yuv422p";
    case V4L2_PIX_FMT_YUV411P: return "yuv411p";
    case V4L2_PIX_FMT_YUV410: return "yuv410p";
    case V4L2_PIX_FMT_NV12: return "nv12";
    case V4L2_PIX_FMT_GREY: return "gray";
    case V4L2_PIX_FMT_Y16: return "gray16le";
    case V4L2_PIX_FMT_RGB24: return "rgb24";
    case V4L2_PIX_FMT_BGR24: return "bgr24";
    case V4L2_PIX_FMT_RGB565: return "rgb565le";
    case V4L2_PIX_FMT_RGB565X: return "rgb565be";
    case V4L2_PIX_FMT_RGB555: return "rgb555le";
    case V4L2_PIX_FMT_RGB555X: return "rgb555be";
    case V4L2_PIX_FMT_SBGGR8: return "bayer_bggr8";
    case V4L2_PIX_FMT_SGBRG8: return "bayer_gbrg8";
    case V4L2_PIX_FMT_SGRBG8: return "bayer_grbg8";
    case V4L2_PIX_FMT_SRGGB8: return "bayer_rggb8";
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG: return "mjpeg";
    case V4L2_PIX_FMT_H264: return "h264";
    case V4L2_PIX_FMT_MPEG4: return "mpeg4";
    default: return {};
    }
}

std::string FourCCText(uint32_t fourcc) {
    std::string s(4, '.');
    for (int i = 0; i < 4; ++i) {
        const char c = char((fourcc >> (8 * i)) & 0xff);
        if (c >= 0x20 && c < 0x7f) s[size_t(i)] = c;
    }
    return s;
}

}  // namespace pelta::engine
