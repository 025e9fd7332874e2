// Reads a capture file's sound back and measures its level: RMS in dB of full scale over
// the samples from `fromSeconds` on (all channels), decoded with libavcodec.
#pragma once

#include "DecodeFile.h"

#include <cmath>
#include <string>

namespace pelta::test {

struct SoundMeasure {
    bool ok = false;
    double seconds = 0;  // decoded sound, all of it
    double rmsDb = -200; // of the measured part; -200 for digital silence
};

inline SoundMeasure MeasureSound(const std::string& path, double fromSeconds = 0, double toSeconds = 1e9) {
    SoundMeasure m;
    double sum = 0;
    int64_t counted = 0, samples = 0;
    int rate = 0;
    const bool opened = ForEachDecoded(path, AVMEDIA_TYPE_AUDIO, [&](const AVFrame* f) {
        rate = f->sample_rate;
        const int ch = f->ch_layout.nb_channels;
        for (int i = 0; i < f->nb_samples; ++i, ++samples) {
            const double t = double(samples) / rate;
            for (int c = 0; c < ch; ++c) {
                double v = 0;
                switch (f->format) {
                case AV_SAMPLE_FMT_S16: v = reinterpret_cast<const int16_t*>(f->data[0])[i * ch + c] / 32768.0; break;
                case AV_SAMPLE_FMT_S16P: v = reinterpret_cast<const int16_t*>(f->data[c])[i] / 32768.0; break;
                case AV_SAMPLE_FMT_FLT: v = reinterpret_cast<const float*>(f->data[0])[i * ch + c]; break;
                case AV_SAMPLE_FMT_FLTP: v = reinterpret_cast<const float*>(f->data[c])[i]; break;
                default: break;
                }
                if (t >= fromSeconds && t < toSeconds) {
                    sum += v * v;
                    ++counted;
                }
            }
        }
    });
    m.ok = opened && rate > 0;
    m.seconds = rate > 0 ? double(samples) / rate : 0;
    if (counted > 0 && sum > 0) m.rmsDb = 10 * std::log10(sum / double(counted));
    return m;
}

}  // namespace pelta::test
