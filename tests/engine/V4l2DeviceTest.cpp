#include "FakeV4l2Device.h"
#include "engine/core/devices/V4l2Device.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
}

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <fcntl.h>

using namespace pelta::engine;
using pelta::test::FakeControl;
using pelta::test::FakeFormat;
using pelta::test::FakeV4l2Device;

namespace {

constexpr uint32_t kPrivate = V4L2_CID_PRIVATE_BASE;
using Sizes = std::vector<std::pair<int, int>>;
using Writes = std::vector<std::pair<uint32_t, int32_t>>;

// A webcam as uvcvideo describes it, listed out of id order on purpose.
FakeV4l2Device Webcam() {
    FakeV4l2Device d;
    d.Controls = {
        {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Exposure Time, Absolute", 3, 2047, 1, 250, 250,
         V4L2_CTRL_FLAG_INACTIVE},
        {V4L2_CID_USER_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "User Controls", 0, 0, 0, 0, 0, V4L2_CTRL_FLAG_READ_ONLY},
        {V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 1, 0, 12},
        {V4L2_CID_CONTRAST, V4L2_CTRL_TYPE_INTEGER, "Contrast", 0, 95, 1, 32, 32, V4L2_CTRL_FLAG_DISABLED},
        {V4L2_CID_SATURATION, V4L2_CTRL_TYPE_INTEGER, "Saturation", 1, 96, 10, 61, 61},
        {V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Automatic", 0, 1, 1, 1, 1},
        {V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CTRL_TYPE_MENU, "Power Line Frequency", 0, 2, 1, 1, 2, 0,
         {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}}},
        {V4L2_CID_CAMERA_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "Camera Controls", 0, 0, 0, 0, 0, V4L2_CTRL_FLAG_READ_ONLY},
        {V4L2_CID_EXPOSURE_AUTO, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3, 1, 3, 3, 0,
         {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}},
        {V4L2_CID_GAIN, V4L2_CTRL_TYPE_INTEGER, "Gain", 0, 255, 1, 0, 40, V4L2_CTRL_FLAG_READ_ONLY},
        {V4L2_CID_PAN_RESET, V4L2_CTRL_TYPE_BUTTON, "Pan, Reset", 0, 0, 0, 0, 0, V4L2_CTRL_FLAG_WRITE_ONLY},
        {V4L2_CID_FOCUS_ABSOLUTE, V4L2_CTRL_TYPE_STRING, "A string control", 0, 32, 1, 0, 0},
    };
    return d;
}

const std::vector<std::string> kWebcamOrder = {
    "Brightness",   "Saturation",    "White Balance, Automatic", "Gain", "Power Line Frequency",
    "Auto Exposure", "Exposure Time, Absolute", "Pan, Reset"};

std::vector<std::string> Names(const std::vector<CameraControl>& cs) {
    std::vector<std::string> out;
    for (const auto& c : cs) out.push_back(c.Name);
    return out;
}

std::vector<double> Fps(const CameraSize& s) {
    std::vector<double> out;
    for (const auto& r : s.Rates) out.push_back(r.Fps());
    return out;
}

Sizes Dims(const CameraFormat& f) {
    Sizes out;
    for (const auto& s : f.Sizes) out.emplace_back(s.Width, s.Height);
    return out;
}

// A format whose sizes the driver gives as one stepwise or continuous range.
FakeFormat Ranged(uint32_t fourcc, uint32_t type, v4l2_frmsize_stepwise range) {
    FakeFormat f{fourcc, FourCCText(fourcc)};
    f.RangeType = type;
    f.Range = range;
    return f;
}

testing::AssertionResult Says(const std::string& why, const std::string& part) {
    if (why.find(part) != std::string::npos) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "\"" << why << "\" does not say \"" << part << "\"";
}

// A camera on the fake driver (the webcam, unless a test changes it), adopted as an open
// descriptor.
class V4l2 : public ::testing::Test {
protected:
    V4l2Device& Dev() {
        dev_.emplace(fake.Fn());
        dev_->Adopt(3);
        return *dev_;
    }
    FakeV4l2Device fake = Webcam();
    std::optional<V4l2Device> dev_;
};
using V4l2Controls = V4l2;
using V4l2SetControl = V4l2;
using V4l2Formats = V4l2;

// Menus list only the indices the driver offers; calls the driver interrupts are asked again.
TEST_F(V4l2Controls, EnumeratesInIdOrderWithoutDisabledHeadingsOrUnsupportedTypes) {
    fake.Controls.push_back({kPrivate, V4L2_CTRL_TYPE_INTEGER_MENU, "Link Frequency", 0, 2, 1, 0, 1});
    fake.Controls.back().IntMenu = {{0, 168000000}, {2, 336000000}};
    fake.Interrupts = 2;
    V4l2Device& dev = Dev();
    const auto cs = dev.Controls();
    auto names = kWebcamOrder;
    names.push_back("Link Frequency");
    EXPECT_EQ(Names(cs), names);
    ASSERT_EQ(cs.size(), 9u);
    EXPECT_EQ(cs[0].Value, 12);
    EXPECT_EQ(cs[0].Min, -64);
    EXPECT_EQ(cs[1].Step, 10);
    EXPECT_EQ(cs[2].Type, CameraControl::Boolean);
    EXPECT_TRUE(cs[3].ReadOnly);
    EXPECT_EQ(cs[4].Value, 2);
    EXPECT_TRUE(cs[6].Inactive);
    EXPECT_FALSE(cs[6].ReadOnly);
    EXPECT_EQ(cs[7].Type, CameraControl::Button);
    EXPECT_EQ(fake.Calls[VIDIOC_G_CTRL], 8);  // the write-only button is never read back
    using Items = std::vector<std::pair<int32_t, std::string>>;
    EXPECT_EQ(cs[8].MenuItems, (Items{{0, "168000000"}, {2, "336000000"}}));
    const auto exposure = dev.Control(V4L2_CID_EXPOSURE_AUTO);
    ASSERT_TRUE(exposure);
    EXPECT_EQ(exposure->Type, CameraControl::Menu);
    EXPECT_EQ(exposure->MenuItems, (Items{{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}));
    EXPECT_FALSE(dev.Control(V4L2_CID_CONTRAST));  // disabled
    EXPECT_FALSE(dev.Control(V4L2_CID_HUE));       // absent
    fake.Interrupts = 2;
    EXPECT_EQ(dev.GetControl(V4L2_CID_BRIGHTNESS), 12);
    EXPECT_FALSE(dev.GetControl(V4L2_CID_HUE));
}

// Without the extended query, with and without NEXT_CTRL (then by id range, private ids up
// to the first gap), and a driver whose NEXT_CTRL never moves on.
TEST_F(V4l2Controls, OldAndStuckDriversAreStillEnumerated) {
    for (const auto& [id, name] :
         {std::pair{kPrivate, "Private A"}, {kPrivate + 1, "Private B"}, {kPrivate + 3, "After a gap"}})
        fake.Controls.push_back({id, V4L2_CTRL_TYPE_INTEGER, name, 0, 1, 1, 0, 0});
    fake.ExtQuery = false;
    for (const bool nextCtrl : {false, true}) {
        fake.NextCtrl = nextCtrl;
        fake.Calls.clear();
        auto expected = kWebcamOrder;
        expected.insert(expected.end(), {"Private A", "Private B"});
        if (nextCtrl) expected.push_back("After a gap");
        EXPECT_EQ(Names(Dev().Controls()), expected) << nextCtrl;
        EXPECT_EQ(fake.Calls[VIDIOC_QUERY_EXT_CTRL], 1);  // asked once, then given up
    }
    std::erase_if(fake.Controls, [](const FakeControl& c) { return c.Type == V4L2_CTRL_TYPE_CTRL_CLASS; });
    fake.StuckNext = true;
    EXPECT_EQ(Names(Dev().Controls()), std::vector<std::string>{"Brightness"});
}

// Each value reaches the driver fitted to the control's range, step or menu; the value the
// driver settled on comes back (exposure rounds down to 3 + 8k there), a button's as pressed.
// Read-only, absent and disabled controls are refused before the driver, a busy one by it;
// each refusal says which control and why.
TEST_F(V4l2SetControl, ValuesAreFittedBeforeTheDriverAndRefusalsExplained) {
    fake.Find(V4L2_CID_EXPOSURE_ABSOLUTE)->Granule = 8;
    fake.Controls.push_back({V4L2_CID_SHARPNESS, V4L2_CTRL_TYPE_INTEGER, "Sharpness", 0, 10, 1, 3, 3});
    fake.Controls.back().RefuseWith = EBUSY;
    V4l2Device& dev = Dev();
    struct Case {
        uint32_t Id;
        int32_t Asked;
        std::optional<int32_t> Sent, Settled;  // none: nothing reaches the driver, refused
        std::vector<std::string> Said;
    };
    const Case cases[] = {
        {V4L2_CID_BRIGHTNESS, 1000, 64, 64},         {V4L2_CID_BRIGHTNESS, INT32_MIN, -64, -64},
        {V4L2_CID_SATURATION, 34, 31, 31},           {V4L2_CID_SATURATION, 36, 41, 41},
        {V4L2_CID_SATURATION, 96, 91, 91},           {V4L2_CID_SATURATION, INT32_MAX, 91, 91},
        {V4L2_CID_AUTO_WHITE_BALANCE, 7, 1, 1},      {V4L2_CID_AUTO_WHITE_BALANCE, 0, 0, 0},
        {V4L2_CID_EXPOSURE_AUTO, 2, 1, 1},           {V4L2_CID_EXPOSURE_AUTO, 0, 1, 1},
        {V4L2_CID_EXPOSURE_AUTO, 99, 3, 3},          {V4L2_CID_EXPOSURE_ABSOLUTE, 0, 3, 3},
        {V4L2_CID_EXPOSURE_ABSOLUTE, 100, 100, 99},  {V4L2_CID_PAN_RESET, 5, 0, 0},
        {V4L2_CID_GAIN, 5, {}, {}, {"Gain", "read-only"}},
        {V4L2_CID_SHARPNESS, 5, 5, {}, {"Sharpness", std::strerror(EBUSY)}},
        {V4L2_CID_HUE, 5, {}, {}, {"0x00980903"}},
        {V4L2_CID_CONTRAST, 5, {}, {}, {}},  // disabled
    };
    for (const auto& c : cases) {
        fake.Writes.clear();
        FakeControl* f = fake.Find(c.Id);
        const int32_t before = f ? f->Value : 0;
        std::string why;
        EXPECT_EQ(dev.SetControl(c.Id, c.Asked, why), c.Settled) << c.Id << " asked " << c.Asked << ": " << why;
        EXPECT_EQ(fake.Writes, (c.Sent ? Writes{{c.Id, *c.Sent}} : Writes{})) << c.Id;
        if (f) {
            EXPECT_EQ(f->Value, c.Settled.value_or(before)) << c.Id;
        }
        for (const std::string& part : c.Said) EXPECT_TRUE(Says(why, part));
    }
}

// Discrete sizes sorted, ranges as their largest size and the common sizes on their grid.
TEST_F(V4l2Formats, SizesAndRatesAreListedLargestAndFastestFirst) {
    FakeFormat yuyv{V4L2_PIX_FMT_YUYV, "YUYV 4:2:2", 0, {{640, 480}, {1280, 720}, {320, 240}}};
    yuyv.Intervals.Discrete = {{1, 15}, {333333, 10000000}, {1001, 30000}, {0, 1}};
    FakeFormat mjpg{V4L2_PIX_FMT_MJPEG, "Motion-JPEG", V4L2_FMT_FLAG_COMPRESSED, {{1920, 1080}}};
    FakeFormat stepped = Ranged(V4L2_PIX_FMT_YUV420, V4L2_FRMSIZE_TYPE_STEPWISE, {160, 1920, 32, 120, 1080, 8});
    stepped.Intervals.Discrete = {{1, 30}};
    const FakeFormat anySize = Ranged(V4L2_PIX_FMT_NV12, V4L2_FRMSIZE_TYPE_CONTINUOUS, {1, 1000, 1, 1, 700, 1});
    fake.Formats = {yuyv, mjpg, stepped, anySize};
    const auto fs = Dev().Formats();
    ASSERT_EQ(fs.size(), 4u);
    EXPECT_EQ(fs[0].Description, "YUYV 4:2:2");
    EXPECT_FALSE(fs[0].Compressed);
    EXPECT_TRUE(fs[1].Compressed);
    EXPECT_EQ(Dims(fs[0]), (Sizes{{1280, 720}, {640, 480}, {320, 240}}));
    // 30000/1001 and the 100 ns rounded 30 fps are different rates; the zero interval is dropped.
    EXPECT_EQ(fs[0].Sizes[0].Rates, (std::vector<CameraRate>{{10000000, 333333}, {30000, 1001}, {15, 1}}));
    EXPECT_TRUE(fs[1].Sizes[0].Rates.empty());  // the driver gave no intervals
    // 176 is off the width grid, 1600x1200 and larger are out of range; 1920x1080 only once.
    EXPECT_EQ(Dims(fs[2]), (Sizes{{1920, 1080}, {1280, 960}, {1280, 720}, {1024, 768}, {800, 600}, {640, 480},
                                  {640, 360}, {352, 288}, {320, 240}, {160, 120}}));
    for (const auto& s : fs[2].Sizes) EXPECT_EQ(Fps(s), std::vector<double>{30.0}) << s.Width;
    EXPECT_EQ(Dims(fs[3]),
              (Sizes{{1000, 700}, {800, 600}, {640, 480}, {640, 360}, {352, 288}, {320, 240}, {176, 144}, {160, 120}}));
}

TEST_F(V4l2Formats, IntervalRangesBecomeTheCommonRatesOnTheGrid) {
    fake.Formats = {FakeFormat{V4L2_PIX_FMT_YUYV, "YUYV", 0, {{640, 480}}}};
    auto& iv = fake.Formats[0].Intervals;
    V4l2Device& dev = Dev();
    const auto size = [&] { return dev.Formats()[0].Sizes[0]; };
    iv.RangeType = V4L2_FRMIVAL_TYPE_STEPWISE;
    iv.Range = {{1, 30}, {1, 1}, {1, 30}};  // k/30 s: 30, 15, 10, 7.5, 6, 5 ... fps
    EXPECT_EQ(Fps(size()), (std::vector<double>{30, 15, 10, 5, 1}));
    iv.RangeType = V4L2_FRMIVAL_TYPE_CONTINUOUS;
    iv.Range = {{1, 60}, {2, 9}, {1, 1}};  // 60 down to 4.5 fps
    EXPECT_EQ(Fps(size()), (std::vector<double>{60, 50, 30, 25, 24, 20, 15, 10, 5, 4.5}));
    // Ends in 100 ns units: the driver's own rate (81.0) unless a round rate is next to it (30).
    iv.Range = {{123457, 10000000}, {333333, 10000000}, {1, 1}};
    EXPECT_EQ(size().Rates, (std::vector<CameraRate>{{10000000, 123457}, {60, 1}, {50, 1}, {30, 1}}));
}

TEST_F(V4l2Formats, FfmpegNamesAreOnesFfmpegKnows) {
    const std::pair<uint32_t, std::string> named[] = {{V4L2_PIX_FMT_YUYV, "yuyv422"}, {V4L2_PIX_FMT_MJPEG, "mjpeg"},
                                                      {V4L2_PIX_FMT_NV12, "nv12"},     {V4L2_PIX_FMT_YUV420, "yuv420p"},
                                                      {v4l2_fourcc('Z', 'Z', 'Z', 'Z'), ""}};
    for (const auto& [code, name] : named) EXPECT_EQ(FfmpegInputFormat(code), name) << FourCCText(code);
    EXPECT_EQ(FourCCText(V4L2_PIX_FMT_MJPEG), "MJPG");
    EXPECT_EQ(FourCCText(0x01020341), "A...");
    for (uint32_t code : {V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_UYVY, V4L2_PIX_FMT_YUV420, V4L2_PIX_FMT_YUV422P,
                          V4L2_PIX_FMT_YUV411P, V4L2_PIX_FMT_YUV410, V4L2_PIX_FMT_NV12, V4L2_PIX_FMT_GREY,
                          V4L2_PIX_FMT_Y16, V4L2_PIX_FMT_RGB24, V4L2_PIX_FMT_BGR24, V4L2_PIX_FMT_RGB565,
                          V4L2_PIX_FMT_RGB565X, V4L2_PIX_FMT_RGB555, V4L2_PIX_FMT_RGB555X, V4L2_PIX_FMT_SBGGR8,
                          V4L2_PIX_FMT_SGBRG8, V4L2_PIX_FMT_SGRBG8, V4L2_PIX_FMT_SRGGB8, V4L2_PIX_FMT_MJPEG,
                          V4L2_PIX_FMT_JPEG, V4L2_PIX_FMT_H264, V4L2_PIX_FMT_MPEG4}) {
        const std::string name = FfmpegInputFormat(code);
        ASSERT_FALSE(name.empty()) << FourCCText(code);
        EXPECT_TRUE(av_get_pix_fmt(name.c_str()) != AV_PIX_FMT_NONE || avcodec_find_decoder_by_name(name.c_str()))
            << name;
    }
}

// The size menu and the Video Format dialog read the camera through this one listing: a
// size only a format ffmpeg cannot read is not offered, and sizes shared by formats once.
// The range's edge is in it: 1280x720 has the largest width of its grid.
TEST_F(V4l2Formats, OfferedSizesAreThoseOfTheReadableFormatsOnce) {
    fake.Formats = {FakeFormat{v4l2_fourcc('Z', 'Z', 'Z', 'Z'), "Vendor format", 0, {{2592, 1944}, {640, 480}}},
                    FakeFormat{V4L2_PIX_FMT_YUYV, "YUYV", 0, {{640, 480}, {320, 240}}},
                    Ranged(V4L2_PIX_FMT_MJPEG, V4L2_FRMSIZE_TYPE_STEPWISE, {320, 1280, 16, 240, 960, 8})};
    const auto usable = UsableFormats(Dev());
    ASSERT_EQ(usable.size(), 2u);
    EXPECT_EQ(usable[0].FourCC, V4L2_PIX_FMT_YUYV);
    EXPECT_EQ(OfferedSizes(usable), (std::vector<std::pair<int32_t, int32_t>>{{1280, 960}, {1280, 720}, {1024, 768},
                                                                              {800, 600}, {640, 480}, {640, 360},
                                                                              {352, 288}, {320, 240}}));
}

TEST(V4l2Open, FailuresNameThePath) {
    std::string why;
    V4l2Device missing;
    EXPECT_FALSE(missing.Open("/nonexistent/video7", why));
    EXPECT_TRUE(Says(why, "/nonexistent/video7") && Says(why, std::strerror(ENOENT)));
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_FALSE(missing.Open("/dev/null", why));
    EXPECT_TRUE(Says(why, "/dev/null is not a video device"));

    FakeV4l2Device fake;
    fake.Caps = V4L2_CAP_VIDEO_OUTPUT;
    V4l2Device output(fake.Fn());
    EXPECT_FALSE(output.Open("/dev/null", why));
    EXPECT_TRUE(Says(why, "Fake Camera"));
    EXPECT_FALSE(output.IsOpen());

    fake.Caps = V4L2_CAP_VIDEO_CAPTURE;
    V4l2Device camera(fake.Fn());
    ASSERT_TRUE(camera.Open("/dev/null", why)) << why;
    const int fd = camera.Fd();
    camera.Close();
    EXPECT_FALSE(camera.IsOpen());
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);  // the descriptor it opened is closed
}

}  // namespace
