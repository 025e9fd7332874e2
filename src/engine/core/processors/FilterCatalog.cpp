#include "engine/core/processors/FilterCatalog.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace pelta::engine::processors {

namespace {

ParamSpec Int(std::string key, std::string label, double min, double max, double def, double step = 1) {
    return {std::move(key), std::move(label), ParamKind::Integer, min, max, def, step, {}};
}
ParamSpec Real(std::string key, std::string label, double min, double max, double def, double step) {
    return {std::move(key), std::move(label), ParamKind::Real, min, max, def, step, {}};
}
ParamSpec Choice(std::string key, std::string label, std::vector<std::string> choices, int def = 0) {
    const double max = choices.empty() ? 0 : double(choices.size() - 1);
    return {std::move(key), std::move(label), ParamKind::Choice, 0, max, double(def), 1, std::move(choices)};
}
ParamSpec Flag(std::string key, std::string label, bool def) {
    return {std::move(key), std::move(label), ParamKind::Flag, 0, 1, def ? 1.0 : 0.0, 1, {}};
}

bool ValidKeyChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
}

}  // namespace

const ParamSpec* FilterSpec::Param(const std::string& key) const {
    for (const auto& p : Params)
        if (p.Key == key) return &p;
    return nullptr;
}

const std::vector<FilterSpec>& VideoFilters() {
    static const std::vector<FilterSpec> list = {
        {"mirror", "Mirror", true, {}},
        {"flip", "Flip upside down", true, {}},
        {"rotate", "Rotate", true, {Choice("angle", "Angle", {"90\u00b0 clockwise", "180\u00b0", "90\u00b0 anticlockwise"})}},
        {"crop", "Crop", true,
         {Int("left", "Left (pixels)", 0, 4096, 0, 2), Int("top", "Top (pixels)", 0, 4096, 0, 2),
          Int("right", "Right (pixels)", 0, 4096, 0, 2), Int("bottom", "Bottom (pixels)", 0, 4096, 0, 2)}},
        {"grey", "Grey scale", true, {}},
        {"deinterlace", "Deinterlace", true,
         {Choice("method", "Method", {"Yadif", "Bwdif"})}},
        {"denoise", "Denoise", true,
         {Real("spatial", "Spatial strength", 0, 20, 4, 0.5), Real("temporal", "Temporal strength", 0, 20, 6, 0.5)}},
        {"datetime", "Date and time", true,
         {Choice("corner", "Position", {"Top left", "Top right", "Bottom left", "Bottom right"}, 3),
          Int("size", "Text size", 8, 128, 24), Flag("box", "Dark box behind the text", true)}},
        {"eq", "Brightness and contrast", true,
         {Real("brightness", "Brightness", -1, 1, 0, 0.05), Real("contrast", "Contrast", 0, 3, 1, 0.05),
          Real("saturation", "Saturation", 0, 3, 1, 0.05), Real("gamma", "Gamma", 0.1, 5, 1, 0.05)}},
    };
    return list;
}

const std::vector<FilterSpec>& AudioFilters() {
    static const std::vector<FilterSpec> list = {
        {"volume", "Volume", false, {Real("gain", "Gain (times)", 0, 8, 1, 0.05)}},
        {"highpass", "High-pass", false, {Int("frequency", "Cut-off (Hz)", 10, 5000, 80, 10)}},
        {"lowpass", "Low-pass", false, {Int("frequency", "Cut-off (Hz)", 200, 20000, 8000, 100)}},
        {"gate", "Noise gate", false,
         {Real("threshold", "Threshold (dB)", -80, 0, -40, 1), Real("ratio", "Ratio", 1, 9000, 4, 0.5),
          Real("attack", "Attack (ms)", 0.01, 9000, 20, 1), Real("release", "Release (ms)", 0.01, 9000, 250, 10)}},
        {"normalise", "Normalisation", false,
         {Choice("method", "Method", {"Dynamic (dynaudnorm)", "Loudness (EBU R128)"}),
          Real("target", "Target loudness (LUFS)", -70, -5, -23, 1)}},
        {"compressor", "Compressor", false,
         {Real("threshold", "Threshold (dB)", -60, 0, -18, 1), Real("ratio", "Ratio", 1, 20, 3, 0.5),
          Real("attack", "Attack (ms)", 0.01, 2000, 20, 1), Real("release", "Release (ms)", 0.01, 9000, 250, 10),
          Real("makeup", "Make-up gain (dB)", 0, 36, 0, 0.5)}},
    };
    return list;
}

const FilterSpec* FindFilter(const std::string& id, bool video) {
    for (const auto& f : video ? VideoFilters() : AudioFilters())
        if (f.Id == id) return &f;
    return nullptr;
}

ChainEntry DefaultEntry(const FilterSpec& spec) {
    ChainEntry e{spec.Id, {}};
    for (const auto& p : spec.Params) e.Values[p.Key] = p.Default;
    return e;
}

double ParamValue(const FilterSpec& spec, const ChainEntry& entry, const std::string& key) {
    const ParamSpec* p = spec.Param(key);
    if (!p) return 0;
    auto it = entry.Values.find(key);
    double v = it == entry.Values.end() || !std::isfinite(it->second) ? p->Default : it->second;
    v = std::clamp(v, p->Min, p->Max);
    if (p->Kind != ParamKind::Real) v = std::round(v);
    return v;
}

ChainDescription Sanitised(const ChainDescription& chain, bool video) {
    ChainDescription out;
    for (const auto& e : chain.Entries) {
        const FilterSpec* spec = FindFilter(e.Id, video);
        if (!spec) continue;
        ChainEntry clean{e.Id, {}};
        for (const auto& p : spec->Params) clean.Values[p.Key] = ParamValue(*spec, e, p.Key);
        out.Entries.push_back(std::move(clean));
    }
    return out;
}

std::string ToText(const ChainDescription& chain) {
    std::ostringstream s;
    s.precision(10);
    bool firstEntry = true;
    for (const auto& e : chain.Entries) {
        if (!firstEntry) s << ';';
        firstEntry = false;
        s << e.Id;
        char sep = ':';
        for (const auto& [k, v] : e.Values) {
            s << sep << k << '=' << v;
            sep = ',';
        }
    }
    return s.str();
}

std::optional<ChainDescription> ParseChain(const std::string& text, bool video) {
    ChainDescription out;
    std::istringstream all(text);
    std::string item;
    while (std::getline(all, item, ';')) {
        if (item.empty()) continue;
        const auto colon = item.find(':');
        ChainEntry e{item.substr(0, colon), {}};
        if (e.Id.empty() || !std::all_of(e.Id.begin(), e.Id.end(), ValidKeyChar)) return std::nullopt;
        if (colon != std::string::npos) {
            std::istringstream params(item.substr(colon + 1));
            std::string kv;
            while (std::getline(params, kv, ',')) {
                const auto eq = kv.find('=');
                if (eq == std::string::npos || eq == 0) return std::nullopt;
                const std::string key = kv.substr(0, eq), num = kv.substr(eq + 1);
                char* end = nullptr;
                const double v = std::strtod(num.c_str(), &end);
                if (num.empty() || *end != '\0' || !std::all_of(key.begin(), key.end(), ValidKeyChar))
                    return std::nullopt;
                e.Values[key] = v;
            }
        }
        if (FindFilter(e.Id, video)) out.Entries.push_back(std::move(e));
    }
    return Sanitised(out, video);
}

}  // namespace pelta::engine::processors
