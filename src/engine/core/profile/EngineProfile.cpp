#include "engine/core/profile/EngineProfile.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <sstream>

namespace pelta::engine {

bool EngineProfile::operator==(const EngineProfile& o) const {
    const auto queue = [](const CaptureQueueSettings& q) {
        return std::tuple(q.VideoFrames, q.AudioSeconds, q.DropOldest, q.VideoQuality);
    };
    return VideoDevice == o.VideoDevice && AudioDevice == o.AudioDevice && AudioOutput == o.AudioOutput &&
           VideoWidth == o.VideoWidth && VideoHeight == o.VideoHeight && VideoCompressor == o.VideoCompressor &&
           AudioCompressor == o.AudioCompressor && Encoders == o.Encoders && VideoSources == o.VideoSources &&
           AudioSources == o.AudioSources && VideoProcessors == o.VideoProcessors &&
           AudioProcessors == o.AudioProcessors && Preview == o.Preview && PreviewInput == o.PreviewInput &&
           PreviewTap == o.PreviewTap && PreviewDuringProperties == o.PreviewDuringProperties &&
           queue(Queue) == queue(o.Queue) && TimeLimitOn == o.TimeLimitOn && TimeLimitSeconds == o.TimeLimitSeconds &&
           FrameRateOn == o.FrameRateOn && FrameRateValue == o.FrameRateValue &&
           FrameGapSeconds == o.FrameGapSeconds && MasterStreamIndex == o.MasterStreamIndex;
}

namespace {

// ---- values as text ------------------------------------------------------------------------

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += {'\\', c};
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out + '"';
}

bool Unquote(const std::string& v, std::string& out) {
    if (v.size() < 2 || v.front() != '"' || v.back() != '"') return false;
    out.clear();
    for (size_t i = 1; i + 1 < v.size(); ++i) {
        char c = v[i];
        if (c == '"') return false;
        if (c == '\\') {
            if (i + 2 >= v.size()) return false;
            const char e = v[++i];
            if (e == 'n') c = '\n';
            else if (e == 'r') c = '\r';
            else if (e == '\\' || e == '"') c = e;
            else return false;
        }
        out += c;
    }
    return true;
}

std::string Bool(bool b) { return b ? "true" : "false"; }

bool ReadBool(const std::string& v, bool& out) {
    if (v != "true" && v != "false") return false;
    out = v == "true";
    return true;
}

template <typename Int>
bool ReadInt(const std::string& v, Int& out) {
    const char* end = v.data() + v.size();
    auto [p, ec] = std::from_chars(v.data(), end, out);
    return ec == std::errc() && p == end;
}

std::string Real(double d) {
    char buffer[64];
    auto [p, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
    return ec == std::errc() ? std::string(buffer, p) : "0";
}

bool ReadReal(const std::string& v, double& out) {
    const char* end = v.data() + v.size();
    auto [p, ec] = std::from_chars(v.data(), end, out);
    return ec == std::errc() && p == end && std::isfinite(out);
}

std::string Choice(const NamedChoice& c) { return c.State == NamedChoice::Kind::None ? "none" : Quote(c.Name); }

bool ReadChoice(const std::string& v, NamedChoice& out) {
    if (v == "none") {
        out = NamedChoice::Nothing();
        return true;
    }
    std::string name;
    if (!Unquote(v, name) || name.empty()) return false;
    out = NamedChoice::Called(std::move(name));
    return true;
}

bool ReadSize(const std::string& v, int& w, int& h) {
    const size_t x = v.find('x');
    return x != std::string::npos && ReadInt(v.substr(0, x), w) && ReadInt(v.substr(x + 1), h) && w > 0 && h > 0;
}

bool ReadRegion(const std::string& v, VideoSourceSettings& s) {
    std::istringstream in(v);
    std::string a, b, c, d, extra;
    in >> a >> b >> c >> d;
    if (in >> extra) return false;
    return ReadInt(a, s.RegionX) && ReadInt(b, s.RegionY) && ReadInt(c, s.RegionWidth) && ReadInt(d, s.RegionHeight);
}

bool ReadChain(const std::string& v, bool video, processors::ChainDescription& out) {
    std::string text;
    if (!Unquote(v, text)) return false;
    auto chain = processors::ParseChain(text, video);
    if (!chain) return false;
    out = processors::Sanitised(*chain, video);
    return true;
}

// ---- the keys ------------------------------------------------------------------------------

using Reader = std::function<bool(EngineProfile&, const std::string&)>;

const std::map<std::string, Reader>& TopKeys() {
    static const std::map<std::string, Reader> keys = {
        {"video-device", [](EngineProfile& p, const std::string& v) { return ReadChoice(v, p.VideoDevice); }},
        {"video-size", [](EngineProfile& p, const std::string& v) { return ReadSize(v, p.VideoWidth, p.VideoHeight); }},
        {"audio-device", [](EngineProfile& p, const std::string& v) { return ReadChoice(v, p.AudioDevice); }},
        {"audio-output", [](EngineProfile& p, const std::string& v) { return ReadChoice(v, p.AudioOutput); }},
        {"video-compressor", [](EngineProfile& p, const std::string& v) { return ReadChoice(v, p.VideoCompressor); }},
        {"audio-compressor", [](EngineProfile& p, const std::string& v) { return ReadChoice(v, p.AudioCompressor); }},
        {"video-processors", [](EngineProfile& p, const std::string& v) { return ReadChain(v, true, p.VideoProcessors); }},
        {"audio-processors", [](EngineProfile& p, const std::string& v) { return ReadChain(v, false, p.AudioProcessors); }},
        {"preview-aspect", [](EngineProfile& p, const std::string& v) { return ReadInt(v, p.Preview.Aspect); }},
        {"preview-smooth", [](EngineProfile& p, const std::string& v) { return ReadBool(v, p.Preview.Smooth); }},
        {"preview-max-rate", [](EngineProfile& p, const std::string& v) { return ReadInt(v, p.Preview.MaxRate); }},
        {"preview-quality", [](EngineProfile& p, const std::string& v) { return ReadInt(v, p.Preview.Quality); }},
        {"preview-rate-while-capturing",
         [](EngineProfile& p, const std::string& v) { return ReadInt(v, p.Preview.RateWhileCapturing); }},
        {"preview-input", [](EngineProfile& p, const std::string& v) { return ReadInt(v, p.PreviewInput); }},
        {"preview-tap", [](EngineProfile& p, const std::string& v) { return ReadInt(v, p.PreviewTap); }},
        {"preview-during-properties",
         [](EngineProfile& p, const std::string& v) { return ReadBool(v, p.PreviewDuringProperties); }},
        {"queue-video-frames", [](EngineProfile& p, const std::string& v) { return ReadInt(v, p.Queue.VideoFrames); }},
        {"queue-audio-seconds", [](EngineProfile& p, const std::string& v) { return ReadInt(v, p.Queue.AudioSeconds); }},
        {"queue-drop-oldest", [](EngineProfile& p, const std::string& v) { return ReadBool(v, p.Queue.DropOldest); }},
        {"queue-video-quality", [](EngineProfile& p, const std::string& v) { return ReadInt(v, p.Queue.VideoQuality); }},
        {"time-limit-on", [](EngineProfile& p, const std::string& v) { return ReadBool(v, p.TimeLimitOn); }},
        {"time-limit-seconds", [](EngineProfile& p, const std::string& v) { return ReadReal(v, p.TimeLimitSeconds); }},
        {"frame-rate-on", [](EngineProfile& p, const std::string& v) { return ReadBool(v, p.FrameRateOn); }},
        {"frame-rate", [](EngineProfile& p, const std::string& v) { return ReadReal(v, p.FrameRateValue); }},
        {"frame-gap-seconds", [](EngineProfile& p, const std::string& v) { return ReadReal(v, p.FrameGapSeconds); }},
        {"master-stream", [](EngineProfile& p, const std::string& v) { return ReadInt(v, p.MasterStreamIndex); }},
    };
    return keys;
}

bool ReadVideoSourceKey(VideoSourceSettings& s, const std::string& key, const std::string& v) {
    if (key == "frame-rate") return ReadInt(v, s.FrameRate);
    if (key == "input-format") return Unquote(v, s.InputFormat);
    if (key == "region") return ReadRegion(v, s);
    if (key == "follow-mouse") return ReadBool(v, s.FollowMouse);
    if (key == "draw-cursor") return ReadBool(v, s.DrawCursor);
    if (key == "pattern") return Unquote(v, s.Pattern);
    if (key.rfind("control-", 0) == 0) {
        uint32_t id = 0;
        int32_t value = 0;
        if (!ReadInt(key.substr(8), id) || !ReadInt(v, value)) return false;
        s.CameraControls[id] = value;
        return true;
    }
    return true;  // a key of a later version
}

bool ReadAudioSourceKey(AudioSourceSettings& s, const std::string& key, const std::string& v) {
    if (key == "sample-rate") return ReadInt(v, s.SampleRate);
    if (key == "channels") return ReadInt(v, s.Channels);
    return true;
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return {};
    const size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

// Bytes that are not UTF-8, and control characters, mark a damaged line: the file holds
// neither (device names are UTF-8, line breaks inside texts are escaped).
bool IsCleanUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7f) return false;
            ++i;
            continue;
        }
        const size_t more = (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 0;
        if (more == 0 || i + more >= s.size()) return false;
        for (size_t k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
        i += more + 1;
    }
    return true;
}

}  // namespace

std::string ProfileText(const EngineProfile& p) {
    std::ostringstream out;
    out << "# Pelta-RX engine profile: the engine's choices, rewritten whenever one changes.\n";
    if (p.VideoDevice.State != NamedChoice::Kind::Unset) out << "video-device = " << Choice(p.VideoDevice) << '\n';
    if (p.VideoWidth > 0 && p.VideoHeight > 0) out << "video-size = " << p.VideoWidth << 'x' << p.VideoHeight << '\n';
    if (p.AudioDevice.State != NamedChoice::Kind::Unset) out << "audio-device = " << Choice(p.AudioDevice) << '\n';
    if (p.AudioOutput.State != NamedChoice::Kind::Unset) out << "audio-output = " << Choice(p.AudioOutput) << '\n';
    if (p.VideoCompressor.State != NamedChoice::Kind::Unset)
        out << "video-compressor = " << Choice(p.VideoCompressor) << '\n';
    if (p.AudioCompressor.State != NamedChoice::Kind::Unset)
        out << "audio-compressor = " << Choice(p.AudioCompressor) << '\n';
    out << "video-processors = " << Quote(processors::ToText(p.VideoProcessors)) << '\n'
        << "audio-processors = " << Quote(processors::ToText(p.AudioProcessors)) << '\n'
        << "preview-aspect = " << p.Preview.Aspect << '\n'
        << "preview-smooth = " << Bool(p.Preview.Smooth) << '\n'
        << "preview-max-rate = " << p.Preview.MaxRate << '\n'
        << "preview-quality = " << p.Preview.Quality << '\n'
        << "preview-rate-while-capturing = " << p.Preview.RateWhileCapturing << '\n'
        << "preview-input = " << p.PreviewInput << '\n'
        << "preview-tap = " << p.PreviewTap << '\n'
        << "preview-during-properties = " << Bool(p.PreviewDuringProperties) << '\n'
        << "queue-video-frames = " << p.Queue.VideoFrames << '\n'
        << "queue-audio-seconds = " << p.Queue.AudioSeconds << '\n'
        << "queue-drop-oldest = " << Bool(p.Queue.DropOldest) << '\n'
        << "queue-video-quality = " << p.Queue.VideoQuality << '\n'
        << "time-limit-on = " << Bool(p.TimeLimitOn) << '\n'
        << "time-limit-seconds = " << Real(p.TimeLimitSeconds) << '\n'
        << "frame-rate-on = " << Bool(p.FrameRateOn) << '\n'
        << "frame-rate = " << Real(p.FrameRateValue) << '\n'
        << "frame-gap-seconds = " << Real(p.FrameGapSeconds) << '\n'
        << "master-stream = " << p.MasterStreamIndex << '\n';
    for (const auto& [encoder, settings] : p.Encoders) {
        out << "\n[encoder " << Quote(encoder) << "]\n";
        for (const auto& [key, value] : settings.Values) out << key << " = " << value << '\n';
    }
    for (const auto& [device, s] : p.VideoSources) {
        out << "\n[video-source " << Quote(device) << "]\n"
            << "frame-rate = " << s.FrameRate << '\n'
            << "input-format = " << Quote(s.InputFormat) << '\n'
            << "region = " << s.RegionX << ' ' << s.RegionY << ' ' << s.RegionWidth << ' ' << s.RegionHeight << '\n'
            << "follow-mouse = " << Bool(s.FollowMouse) << '\n'
            << "draw-cursor = " << Bool(s.DrawCursor) << '\n'
            << "pattern = " << Quote(s.Pattern) << '\n';
        for (const auto& [id, value] : s.CameraControls) out << "control-" << id << " = " << value << '\n';
    }
    for (const auto& [device, s] : p.AudioSources) {
        out << "\n[audio-source " << Quote(device) << "]\n"
            << "sample-rate = " << s.SampleRate << '\n'
            << "channels = " << s.Channels << '\n';
    }
    return out.str();
}

EngineProfile ParseProfile(const std::string& text, bool* damaged) {
    EngineProfile p;
    bool skipped = false;
    enum class Block { Top, Encoder, VideoSource, AudioSource, Unknown, Damaged } block = Block::Top;
    std::string name;  // of the block's encoder or device
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        if (!IsCleanUtf8(raw)) {
            skipped = true;
            if (!raw.empty() && raw[0] == '[') block = Block::Damaged;
            continue;
        }
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            // [kind "name"]; a damaged header hides which block its lines belong to.
            const size_t space = line.find(' ');
            const bool closed = line.back() == ']';
            const std::string kind = line.substr(1, (space == std::string::npos ? line.size() - 1 : space) - 1);
            if (!closed || space == std::string::npos ||
                !Unquote(Trim(line.substr(space + 1, line.size() - space - 2)), name) || name.empty()) {
                skipped = true;
                block = Block::Damaged;
                continue;
            }
            if (kind == "encoder") {
                block = Block::Encoder;
                p.Encoders[name];
            } else if (kind == "video-source") {
                block = Block::VideoSource;
                p.VideoSources[name];
            } else if (kind == "audio-source") {
                block = Block::AudioSource;
                p.AudioSources[name];
            } else {
                block = Block::Unknown;
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos || block == Block::Damaged) {
            skipped = true;
            continue;
        }
        const std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
        bool ok = true;
        switch (block) {
        case Block::Top: {
            const auto& keys = TopKeys();
            const auto it = keys.find(key);
            // Unknown keys come from a later version and are no damage.
            if (it != keys.end()) {
                EngineProfile trial = p;  // a bad value leaves the field as it was
                ok = it->second(trial, value);
                if (ok) p = std::move(trial);
            }
            break;
        }
        case Block::Encoder: {
            int v = 0;
            ok = !key.empty() && key.find(' ') == std::string::npos && ReadInt(value, v);
            if (ok) p.Encoders[name].Set(key, v);
            break;
        }
        case Block::VideoSource: {
            VideoSourceSettings s = p.VideoSources[name];
            ok = ReadVideoSourceKey(s, key, value);
            if (ok) p.VideoSources[name] = s;
            break;
        }
        case Block::AudioSource: {
            AudioSourceSettings s = p.AudioSources[name];
            ok = ReadAudioSourceKey(s, key, value);
            if (ok) p.AudioSources[name] = s;
            break;
        }
        case Block::Unknown:
        case Block::Damaged: break;
        }
        if (!ok) skipped = true;
    }
    if (damaged) *damaged = skipped;
    return p;
}

}  // namespace pelta::engine
