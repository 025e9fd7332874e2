// One V4L2 camera: its adjustable controls (brightness, exposure, focus ...) and the picture
// formats, sizes and frame rates it offers. Every ioctl goes through an injectable function so
// the code runs against a stand-in device when no camera is attached.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pelta::engine {

// Same contract as ::ioctl: 0 (or more) on success, -1 with errno set on failure.
using IoctlFn = std::function<int(int fd, unsigned long request, void* arg)>;

struct CameraControl {
    uint32_t Id = 0;
    std::string Name;
    enum Kind { Integer, Boolean, Menu, Button } Type = Integer;
    int32_t Min = 0, Max = 0, Step = 1, Default = 0, Value = 0;
    // Menu controls only: the indices the driver offers (gaps left out) and their labels.
    // Integer menus are labelled with their number.
    std::vector<std::pair<int32_t, std::string>> MenuItems;
    bool ReadOnly = false;
    bool Inactive = false;  // has no effect right now, e.g. manual exposure while auto is on
};

// Frames per second as the fraction Numerator / Denominator (30000/1001 for 29.97).
struct CameraRate {
    uint32_t Numerator = 0;
    uint32_t Denominator = 1;
    double Fps() const { return Denominator ? double(Numerator) / Denominator : 0.0; }
    bool operator==(const CameraRate&) const = default;
};

struct CameraSize {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<CameraRate> Rates;  // fastest first; empty when the driver does not say
};

struct CameraFormat {
    uint32_t FourCC = 0;
    std::string Description;
    bool Compressed = false;
    std::vector<CameraSize> Sizes;  // largest first
};

class V4l2Device {
public:
    explicit V4l2Device(IoctlFn ioctlFn = {});
    ~V4l2Device();
    V4l2Device(const V4l2Device&) = delete;
    V4l2Device& operator=(const V4l2Device&) = delete;

    // Opens path read-write and non-blocking and checks that it captures video. On failure
    // why names the path and the reason, and the device stays closed.
    bool Open(const std::string& path, std::string& why);
    // Uses an already open descriptor; the caller keeps ownership of it.
    void Adopt(int fd);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    // All usable controls in the driver's order, without disabled ones and class headings.
    std::vector<CameraControl> Controls() const;
    // One control's description and current value; nullopt when the driver has no such control.
    std::optional<CameraControl> Control(uint32_t id) const;
    std::optional<int32_t> GetControl(uint32_t id) const;
    // Brings value into the control's range and onto its step (or the nearest menu item),
    // hands it to the driver and returns the value the driver then reports. On refusal
    // returns nullopt and why says which control and why.
    std::optional<int32_t> SetControl(uint32_t id, int32_t value, std::string& why);

    // The capture formats with their sizes and frame rates. Stepwise and continuous ranges
    // are reduced to the common sizes and rates that fall on the driver's grid.
    std::vector<CameraFormat> Formats() const;

private:
    struct Raw;  // what either control query says, defined with the code
    int Call(unsigned long request, void* arg) const;
    bool QueryRaw(uint32_t id, Raw& out) const;
    bool Query(uint32_t id, CameraControl& out, uint32_t& flags) const;
    void Describe(const Raw& raw, CameraControl& out) const;
    std::vector<CameraRate> RatesFor(uint32_t fourcc, int32_t w, int32_t h) const;

    IoctlFn ioctl_;
    int fd_ = -1;
    bool owned_ = false;
    mutable std::optional<bool> extQuery_;  // whether the driver answers VIDIOC_QUERY_EXT_CTRL
};

// The one listing of what a camera offers, for the size menu and the Video Format dialog
// alike: the formats ffmpeg's video4linux2 input can read, in the driver's order.
std::vector<CameraFormat> UsableFormats(const V4l2Device& camera);
// Every size of these formats once, largest first (the order Formats() sorts each format in).
std::vector<std::pair<int32_t, int32_t>> OfferedSizes(const std::vector<CameraFormat>& formats);

// The name ffmpeg's video4linux2 input takes as input_format for a V4L2 fourcc
// ("yuyv422", "mjpeg", ...), or empty when ffmpeg has no name for it.
std::string FfmpegInputFormat(uint32_t fourcc);
// The four characters of a fourcc, e.g. "YUYV"; unprintable bytes become '.'.
std::string FourCCText(uint32_t fourcc);

}  // namespace pelta::engine
