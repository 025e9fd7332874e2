// A stand-in V4L2 camera for V4l2Device's tests: answers the control and format ioctls the
// way a driver does, including its refusals, and records every value that reaches it.
#pragma once

#include "engine/core/devices/V4l2Device.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/videodev2.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pelta::test {

struct FakeControl {
    uint32_t Id = 0;
    uint32_t Type = V4L2_CTRL_TYPE_INTEGER;
    std::string Name;
    int32_t Min = 0, Max = 0, Step = 1, Default = 0, Value = 0;
    uint32_t Flags = 0;
    std::map<uint32_t, std::string> Menu;  // index -> label; absent indices are gaps
    std::map<uint32_t, int64_t> IntMenu;   // for V4L2_CTRL_TYPE_INTEGER_MENU
    int RefuseWith = 0;                    // errno for every S_CTRL
    int32_t Granule = 1;                   // the driver rounds accepted values down to this
};

struct FakeIntervals {
    std::vector<v4l2_fract> Discrete;
    uint32_t RangeType = 0;  // V4L2_FRMIVAL_TYPE_STEPWISE or _CONTINUOUS when Discrete is empty
    v4l2_frmival_stepwise Range{};
};

struct FakeFormat {
    uint32_t FourCC = 0;
    std::string Description;
    uint32_t Flags = 0;
    std::vector<std::pair<uint32_t, uint32_t>> Sizes;  // discrete sizes
    uint32_t RangeType = 0;                            // V4L2_FRMSIZE_TYPE_STEPWISE or _CONTINUOUS
    v4l2_frmsize_stepwise Range{};
    FakeIntervals Intervals;  // the same for every size offered
};

class FakeV4l2Device {
public:
    bool ExtQuery = true;    // answers VIDIOC_QUERY_EXT_CTRL
    bool NextCtrl = true;    // understands V4L2_CTRL_FLAG_NEXT_CTRL
    bool StuckNext = false;  // a broken driver: NEXT_CTRL always gives the first control
    int Interrupts = 0;      // calls to fail with EINTR before answering
    uint32_t Caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    std::vector<FakeControl> Controls;
    std::vector<FakeFormat> Formats;
    std::vector<std::pair<uint32_t, int32_t>> Writes;  // every S_CTRL the driver accepted or refused
    std::map<unsigned long, int> Calls;

    engine::IoctlFn Fn() {
        return [this](int, unsigned long request, void* arg) {
            ++Calls[request];
            if (Interrupts > 0) return --Interrupts, Fail(EINTR);
            return Handle(request, arg);
        };
    }

    FakeControl* Find(uint32_t id) {
        const auto c = std::find_if(Controls.begin(), Controls.end(), [&](const FakeControl& c) { return c.Id == id; });
        return c == Controls.end() ? nullptr : &*c;
    }

private:
    static int Fail(int e) {
        errno = e;
        return -1;
    }

    FakeControl* Lookup(uint32_t id) {
        if (!(id & V4L2_CTRL_FLAG_NEXT_CTRL)) return Find(id);
        if (!NextCtrl) return nullptr;
        const uint32_t after = StuckNext ? 0 : id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
        FakeControl* best = nullptr;
        for (auto& c : Controls)
            if (c.Id > after && (!best || c.Id < best->Id)) best = &c;
        return best;
    }

    FakeFormat* Format(uint32_t fourcc) {
        const auto f = std::find_if(Formats.begin(), Formats.end(), [&](const FakeFormat& f) { return f.FourCC == fourcc; });
        return f == Formats.end() ? nullptr : &*f;
    }

    static bool Offers(const FakeFormat& f, uint32_t w, uint32_t h) {
        if (f.RangeType == 0) return std::count(f.Sizes.begin(), f.Sizes.end(), std::pair{w, h}) > 0;
        const auto& r = f.Range;
        return w >= r.min_width && w <= r.max_width && (w - r.min_width) % r.step_width == 0 &&
               h >= r.min_height && h <= r.max_height && (h - r.min_height) % r.step_height == 0;
    }

    // Answers QUERYCTRL and QUERY_EXT_CTRL, whose replies share these fields.
    template <typename Q>
    int Describe(Q& q) {
        const FakeControl* found = Lookup(q.id);
        if (!found) return Fail(EINVAL);
        const FakeControl& c = *found;
        q.id = c.Id;
        q.type = c.Type;
        std::strncpy(reinterpret_cast<char*>(q.name), c.Name.c_str(), sizeof q.name - 1);
        q.minimum = c.Min;
        q.maximum = c.Max;
        q.step = c.Step;
        q.default_value = c.Default;
        q.flags = c.Flags;
        return 0;
    }

    int Handle(unsigned long request, void* arg) {
        switch (request) {
        case VIDIOC_QUERYCAP: {
            auto& cap = *static_cast<v4l2_capability*>(arg);
            std::strcpy(reinterpret_cast<char*>(cap.card), "Fake Camera");
            cap.capabilities = Caps;
            return 0;
        }
        case VIDIOC_QUERY_EXT_CTRL: return ExtQuery ? Describe(*static_cast<v4l2_query_ext_ctrl*>(arg)) : Fail(ENOTTY);
        case VIDIOC_QUERYCTRL: return Describe(*static_cast<v4l2_queryctrl*>(arg));
        case VIDIOC_QUERYMENU: {
            auto& m = *static_cast<v4l2_querymenu*>(arg);
            const FakeControl* c = Find(m.id);
            if (!c) return Fail(EINVAL);
            if (c->Type == V4L2_CTRL_TYPE_INTEGER_MENU && c->IntMenu.count(m.index)) {
                m.value = c->IntMenu.at(m.index);
                return 0;
            }
            if (c->Type != V4L2_CTRL_TYPE_MENU || !c->Menu.count(m.index)) return Fail(EINVAL);
            std::strncpy(reinterpret_cast<char*>(m.name), c->Menu.at(m.index).c_str(), sizeof m.name - 1);
            return 0;
        }
        case VIDIOC_G_CTRL: {
            auto& v = *static_cast<v4l2_control*>(arg);
            const FakeControl* c = Find(v.id);
            if (!c) return Fail(EINVAL);
            if (c->Flags & V4L2_CTRL_FLAG_WRITE_ONLY) return Fail(EACCES);
            v.value = c->Value;
            return 0;
        }
        case VIDIOC_S_CTRL: {
            auto& v = *static_cast<v4l2_control*>(arg);
            FakeControl* c = Find(v.id);
            if (!c) return Fail(EINVAL);
            Writes.emplace_back(v.id, v.value);
            if (c->Flags & V4L2_CTRL_FLAG_READ_ONLY) return Fail(EACCES);
            if (c->RefuseWith) return Fail(c->RefuseWith);
            if (c->Type == V4L2_CTRL_TYPE_BUTTON) return 0;
            if (v.value < c->Min || v.value > c->Max || (v.value - c->Min) % c->Step != 0) return Fail(ERANGE);
            if (c->Type == V4L2_CTRL_TYPE_MENU && !c->Menu.count(uint32_t(v.value))) return Fail(EINVAL);
            c->Value = v.value - (v.value - c->Min) % c->Granule;
            return 0;
        }
        case VIDIOC_ENUM_FMT: {
            auto& f = *static_cast<v4l2_fmtdesc*>(arg);
            if (f.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || f.index >= Formats.size()) return Fail(EINVAL);
            const FakeFormat& src = Formats[f.index];
            f.pixelformat = src.FourCC;
            f.flags = src.Flags;
            std::strncpy(reinterpret_cast<char*>(f.description), src.Description.c_str(), sizeof f.description - 1);
            return 0;
        }
        case VIDIOC_ENUM_FRAMESIZES: {
            auto& s = *static_cast<v4l2_frmsizeenum*>(arg);
            const FakeFormat* f = Format(s.pixel_format);
            if (!f) return Fail(EINVAL);
            if (f->RangeType) {
                if (s.index > 0) return Fail(EINVAL);
                s.type = f->RangeType;
                s.stepwise = f->Range;
                return 0;
            }
            if (s.index >= f->Sizes.size()) return Fail(EINVAL);
            s.type = V4L2_FRMSIZE_TYPE_DISCRETE;
            s.discrete = {f->Sizes[s.index].first, f->Sizes[s.index].second};
            return 0;
        }
        case VIDIOC_ENUM_FRAMEINTERVALS: {
            auto& i = *static_cast<v4l2_frmivalenum*>(arg);
            const FakeFormat* f = Format(i.pixel_format);
            if (!f || !Offers(*f, i.width, i.height)) return Fail(EINVAL);
            const FakeIntervals& iv = f->Intervals;
            if (iv.Discrete.empty()) {
                if (i.index > 0 || iv.RangeType == 0) return Fail(EINVAL);
                i.type = iv.RangeType;
                i.stepwise = iv.Range;
                return 0;
            }
            if (i.index >= iv.Discrete.size()) return Fail(EINVAL);
            i.type = V4L2_FRMIVAL_TYPE_DISCRETE;
            i.discrete = iv.Discrete[i.index];
            return 0;
        }
        default: return Fail(ENOTTY);
        }
    }
};

}  // namespace pelta::test
