#include "controls/EngineWords.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <vector>

namespace pelta {

namespace {

// Every sentence the engine builds, in its own English, with %1, %2 where it puts in a
// name, a path, a number or another sentence. Longer, more specific patterns first.
const char* const kPatterns[] = {
    QT_TRANSLATE_NOOP("EngineWords", "No video device is selected."),
    QT_TRANSLATE_NOOP("EngineWords", "No audio device is selected."),
    QT_TRANSLATE_NOOP("EngineWords", "No capture file is named."),
    QT_TRANSLATE_NOOP("EngineWords", "A capture is already running."),
    QT_TRANSLATE_NOOP("EngineWords", "The last capture is still being finished."),
    QT_TRANSLATE_NOOP("EngineWords", "The video device delivers no picture."),
    QT_TRANSLATE_NOOP("EngineWords", "The audio device delivers no sound."),
    QT_TRANSLATE_NOOP("EngineWords", "No manual frame sequence is running."),
    QT_TRANSLATE_NOOP("EngineWords", "No picture could be grabbed."),
    QT_TRANSLATE_NOOP("EngineWords", "The output cannot be reset while a capture is running."),
    QT_TRANSLATE_NOOP("EngineWords", "The capture file cannot change while a capture is running."),
    QT_TRANSLATE_NOOP("EngineWords", "The output format cannot change while a capture is running."),
    QT_TRANSLATE_NOOP("EngineWords", "The capture file cannot be reserved while a capture is running."),
    QT_TRANSLATE_NOOP("EngineWords", "The capture file size cannot be negative."),
    QT_TRANSLATE_NOOP("EngineWords", "The capture cannot be copied while it is being recorded."),
    QT_TRANSLATE_NOOP("EngineWords", "There is no picture to copy."),
    QT_TRANSLATE_NOOP("EngineWords", "The picture format cannot be converted."),
    QT_TRANSLATE_NOOP("EngineWords", "The time limit must be between 0 and 315360000 seconds (ten years)."),
    QT_TRANSLATE_NOOP("EngineWords",
                      "The frame rate must be 0 (the device's own) or between 0.001 and 1000 frames per second."),
    QT_TRANSLATE_NOOP("EngineWords",
                      "The delay between frames must be more than 0 and at most 315360000 seconds (ten years)."),
    QT_TRANSLATE_NOOP("EngineWords", "The master stream must be -1 (none), 0 (video) or 1 (audio)."),
    QT_TRANSLATE_NOOP("EngineWords", "The master stream cannot change while a capture is running."),
    QT_TRANSLATE_NOOP("EngineWords",
                      "Queue lengths are 1 to 240 pictures and 1 to 60 seconds of sound; quality is 2 to 31."),
    QT_TRANSLATE_NOOP("EngineWords", "The compressor cannot be changed while a capture is running."),
    QT_TRANSLATE_NOOP("EngineWords", "No file name was given to copy the capture to."),
    QT_TRANSLATE_NOOP("EngineWords", "There is no captured file to copy."),
    QT_TRANSLATE_NOOP("EngineWords", "A device stopped delivering during the capture."),
    QT_TRANSLATE_NOOP("EngineWords", "A still picture is not recorded to a file; it is taken with StillPictureHandle."),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot read the shared screen: PipeWire could not be started."),
    QT_TRANSLATE_NOOP("EngineWords", "Capture mode %1 does not exist."),
    QT_TRANSLATE_NOOP("EngineWords", "The output format \"%1\" cannot be written; choose AVI, WAVE or MP3."),
    QT_TRANSLATE_NOOP("EngineWords", "A %1 file holds sound only; video must be captured into an AVI file."),
    QT_TRANSLATE_NOOP("EngineWords", "There is no compressor number %1."),
    QT_TRANSLATE_NOOP("EngineWords", "There is no entry %1 in this list."),
    QT_TRANSLATE_NOOP("EngineWords", "The video device cannot be changed while a capture is running."),
    QT_TRANSLATE_NOOP("EngineWords", "The audio device cannot be changed while a capture is running."),
    QT_TRANSLATE_NOOP("EngineWords", "The capture size cannot be changed while a capture is running."),
    QT_TRANSLATE_NOOP("EngineWords", "The source region cannot be changed while a capture is running."),
    QT_TRANSLATE_NOOP("EngineWords", "The video format cannot be changed while a capture is running."),
    QT_TRANSLATE_NOOP("EngineWords", "The video source cannot be changed while a capture is running."),
    QT_TRANSLATE_NOOP("EngineWords", "The audio format cannot be changed while a capture is running."),
    QT_TRANSLATE_NOOP("EngineWords", "The video device \"%1\" delivers no pictures: nothing came within 2.5 seconds.%2"),
    QT_TRANSLATE_NOOP("EngineWords", "The audio device \"%1\" delivers no sound: nothing came within 2.5 seconds.%2"),
    QT_TRANSLATE_NOOP("EngineWords", "The video device \"%1\" delivers no pictures: %2"),
    QT_TRANSLATE_NOOP("EngineWords", "The audio device \"%1\" delivers no sound: %2"),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot open the video device \"%1\": it has no size."),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot open %1: this build has no %2 input."),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot open %1: it delivers no pictures."),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot open %1: it delivers no sound."),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot open %1: no decoder for its format."),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot open %1: %2."),
    QT_TRANSLATE_NOOP("EngineWords", "Lost %1: it delivered nothing for %2 seconds."),
    QT_TRANSLATE_NOOP("EngineWords", "Lost %1: %2."),
    QT_TRANSLATE_NOOP("EngineWords", "The camera has no control %1: %2"),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot set %1: %2"),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot open %1: %2"),
    QT_TRANSLATE_NOOP("EngineWords", "the video device \"%1\""),
    QT_TRANSLATE_NOOP("EngineWords", "the audio device \"%1\""),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot reserve %1 MB for %2: it is more than the file size limit."),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot reserve %1 MB for %2: %3."),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot create the capture file %1: %2."),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot copy the capture to %1: %2."),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot write %1: %2."),
    QT_TRANSLATE_NOOP("EngineWords", "Cannot read the shared screen: %1."),
    QT_TRANSLATE_NOOP("EngineWords", "The capture cannot start: %1."),
    QT_TRANSLATE_NOOP("EngineWords", "Capture file %1: the disk is full."),
    QT_TRANSLATE_NOOP("EngineWords", "Capture file %1: writing failed."),
    QT_TRANSLATE_NOOP("EngineWords", "Capture file %1: writing the file failed: %2."),
    QT_TRANSLATE_NOOP("EngineWords", "Capture file %1: %2."),
    QT_TRANSLATE_NOOP("EngineWords", "The preview source must be 0, 1 or 2."),
    QT_TRANSLATE_NOOP("EngineWords", "The preview tap must be 0, 1 or 2."),
    QT_TRANSLATE_NOOP("EngineWords", "the file size limit of this session, %1 MB, was reached"),
    QT_TRANSLATE_NOOP("EngineWords", "another capture is writing this file"),
    QT_TRANSLATE_NOOP("EngineWords", "the video encoder %1 cannot start: %2"),
    QT_TRANSLATE_NOOP("EngineWords", "the video encoder failed: %1"),
    QT_TRANSLATE_NOOP("EngineWords", "libjpeg-turbo failed: %1"),
    QT_TRANSLATE_NOOP("EngineWords", "libjpeg-turbo is not part of this build"),
    QT_TRANSLATE_NOOP("EngineWords", "libjpeg-turbo takes no pictures of this format"),
    QT_TRANSLATE_NOOP("EngineWords", "the encoder's threads cannot start"),
    QT_TRANSLATE_NOOP("EngineWords", "out of memory"),
    QT_TRANSLATE_NOOP("EngineWords", "its header is cut off"),
    QT_TRANSLATE_NOOP("EngineWords", "it is too long for a WAV file"),
    QT_TRANSLATE_NOOP("EngineWords", "the repaired file cannot be opened"),
    QT_TRANSLATE_NOOP("EngineWords", "the repaired file cannot be written"),
    QT_TRANSLATE_NOOP("EngineWords", "the repaired file does not read back whole"),
    QT_TRANSLATE_NOOP("EngineWords", "the sound server does not answer"),
    QT_TRANSLATE_NOOP("EngineWords", "the disk is full"),
};

// The names the engine gives the devices it makes up or finds by number.
const char* const kDeviceNames[] = {
    QT_TRANSLATE_NOOP("EngineWords", "Test Pattern"),
    QT_TRANSLATE_NOOP("EngineWords", "Test Tone"),
    QT_TRANSLATE_NOOP("EngineWords", "Screen (desktop portal)"),
    QT_TRANSLATE_NOOP("EngineWords", "Screen %1 (%2x%3)"),
    QT_TRANSLATE_NOOP("EngineWords", "Monitor %1 (%2x%3)"),
};

// The names, settings and choices of the processors and compressors.
const char* const kCatalogTexts[] = {
    QT_TRANSLATE_NOOP("EngineWords", "Moving pattern with counter"),
    QT_TRANSLATE_NOOP("EngineWords", "Colour pattern with counter"),
    QT_TRANSLATE_NOOP("EngineWords", "SMPTE colour bars"),
    QT_TRANSLATE_NOOP("EngineWords", "SMPTE HD colour bars"),
    QT_TRANSLATE_NOOP("EngineWords", "RGB stripes"),
    QT_TRANSLATE_NOOP("EngineWords", "YUV stripes"),
    QT_TRANSLATE_NOOP("EngineWords", "Mandelbrot zoom"),
    QT_TRANSLATE_NOOP("EngineWords", "Game of life"),
    QT_TRANSLATE_NOOP("EngineWords", "180\u00b0"),
    QT_TRANSLATE_NOOP("EngineWords", "90\u00b0 anticlockwise"),
    QT_TRANSLATE_NOOP("EngineWords", "90\u00b0 clockwise"),
    QT_TRANSLATE_NOOP("EngineWords", "Angle"),
    QT_TRANSLATE_NOOP("EngineWords", "Attack (ms)"),
    QT_TRANSLATE_NOOP("EngineWords", "Automatic"),
    QT_TRANSLATE_NOOP("EngineWords", "Bit rate"),
    QT_TRANSLATE_NOOP("EngineWords", "Bottom (pixels)"),
    QT_TRANSLATE_NOOP("EngineWords", "Bottom left"),
    QT_TRANSLATE_NOOP("EngineWords", "Bottom right"),
    QT_TRANSLATE_NOOP("EngineWords", "Brightness"),
    QT_TRANSLATE_NOOP("EngineWords", "Brightness and contrast"),
    QT_TRANSLATE_NOOP("EngineWords", "Bwdif"),
    QT_TRANSLATE_NOOP("EngineWords", "Coder"),
    QT_TRANSLATE_NOOP("EngineWords", "Compressor"),
    QT_TRANSLATE_NOOP("EngineWords", "Constant bit rate"),
    QT_TRANSLATE_NOOP("EngineWords", "Contrast"),
    QT_TRANSLATE_NOOP("EngineWords", "Crop"),
    QT_TRANSLATE_NOOP("EngineWords", "Cut-off (Hz)"),
    QT_TRANSLATE_NOOP("EngineWords", "Dark box behind the text"),
    QT_TRANSLATE_NOOP("EngineWords", "Date and time"),
    QT_TRANSLATE_NOOP("EngineWords", "Deinterlace"),
    QT_TRANSLATE_NOOP("EngineWords", "Denoise"),
    QT_TRANSLATE_NOOP("EngineWords", "Dynamic (dynaudnorm)"),
    QT_TRANSLATE_NOOP("EngineWords", "Flip upside down"),
    QT_TRANSLATE_NOOP("EngineWords", "Gain (times)"),
    QT_TRANSLATE_NOOP("EngineWords", "Gamma"),
    QT_TRANSLATE_NOOP("EngineWords", "Golomb-Rice (faster)"),
    QT_TRANSLATE_NOOP("EngineWords", "Grey scale"),
    QT_TRANSLATE_NOOP("EngineWords", "High-pass"),
    QT_TRANSLATE_NOOP("EngineWords", "Key frame every (pictures)"),
    QT_TRANSLATE_NOOP("EngineWords", "Left"),
    QT_TRANSLATE_NOOP("EngineWords", "Left (pixels)"),
    QT_TRANSLATE_NOOP("EngineWords", "Loudness (EBU R128)"),
    QT_TRANSLATE_NOOP("EngineWords", "Low-pass"),
    QT_TRANSLATE_NOOP("EngineWords", "Make-up gain (dB)"),
    QT_TRANSLATE_NOOP("EngineWords", "Median"),
    QT_TRANSLATE_NOOP("EngineWords", "Method"),
    QT_TRANSLATE_NOOP("EngineWords", "Mirror"),
    QT_TRANSLATE_NOOP("EngineWords", "Mode"),
    QT_TRANSLATE_NOOP("EngineWords", "Noise gate"),
    QT_TRANSLATE_NOOP("EngineWords", "Normalisation"),
    QT_TRANSLATE_NOOP("EngineWords", "Plane"),
    QT_TRANSLATE_NOOP("EngineWords", "Position"),
    QT_TRANSLATE_NOOP("EngineWords", "Prediction"),
    QT_TRANSLATE_NOOP("EngineWords", "Quantiser (2 best, 31 smallest)"),
    QT_TRANSLATE_NOOP("EngineWords", "Range coder (smaller)"),
    QT_TRANSLATE_NOOP("EngineWords", "Rate factor (0 lossless, 51 smallest)"),
    QT_TRANSLATE_NOOP("EngineWords", "Ratio"),
    QT_TRANSLATE_NOOP("EngineWords", "Release (ms)"),
    QT_TRANSLATE_NOOP("EngineWords", "Right (pixels)"),
    QT_TRANSLATE_NOOP("EngineWords", "Rotate"),
    QT_TRANSLATE_NOOP("EngineWords", "Saturation"),
    QT_TRANSLATE_NOOP("EngineWords", "Spatial strength"),
    QT_TRANSLATE_NOOP("EngineWords", "Speed"),
    QT_TRANSLATE_NOOP("EngineWords", "Target loudness (LUFS)"),
    QT_TRANSLATE_NOOP("EngineWords", "Temporal strength"),
    QT_TRANSLATE_NOOP("EngineWords", "Text size"),
    QT_TRANSLATE_NOOP("EngineWords", "Threshold (dB)"),
    QT_TRANSLATE_NOOP("EngineWords", "Top (pixels)"),
    QT_TRANSLATE_NOOP("EngineWords", "Top left"),
    QT_TRANSLATE_NOOP("EngineWords", "Top right"),
    QT_TRANSLATE_NOOP("EngineWords", "Variable bit rate"),
    QT_TRANSLATE_NOOP("EngineWords", "Variable-rate quality (0 best, 9 smallest)"),
    QT_TRANSLATE_NOOP("EngineWords", "Volume"),
    QT_TRANSLATE_NOOP("EngineWords", "Yadif"),
};

struct Pattern {
    const char* source;
    QRegularExpression match;
    std::vector<int> order;  // the placeholder number of each capture group, in order
};

template <size_t N>
std::vector<Pattern> MakePatterns(const char* const (&sources)[N]) {
    std::vector<Pattern> out;
    static const QRegularExpression placeholder(QStringLiteral("%(\\d)"));
    for (const char* p : sources) {
        const QString text = QString::fromUtf8(p);
        QString rx = QStringLiteral("^");
        std::vector<int> order;
        qsizetype at = 0;
        for (auto it = placeholder.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            rx += QRegularExpression::escape(text.mid(at, m.capturedStart() - at));
            // Greedy: a path may hold the ": " that follows it, the system's words do
            // not. A part may be empty (an optional tail such as a lost reason).
            rx += QStringLiteral("(.*)");
            order.push_back(m.captured(1).toInt());
            at = m.capturedEnd();
        }
        rx += QRegularExpression::escape(text.mid(at)) + QStringLiteral("$");
        out.push_back({p, QRegularExpression(rx, QRegularExpression::DotMatchesEverythingOption), order});
    }
    return out;
}

const std::vector<Pattern>& SentencePatterns() {
    static const std::vector<Pattern> all = MakePatterns(kPatterns);
    return all;
}

const std::vector<Pattern>& DevicePatterns() {
    static const std::vector<Pattern> all = MakePatterns(kDeviceNames);
    return all;
}

QString Word(const QString& english, int depth, const std::vector<Pattern>& patterns) {
    if (english.isEmpty() || depth > 3) return english;
    for (const Pattern& p : patterns) {
        const auto m = p.match.match(english);
        if (!m.hasMatch()) continue;
        QString out = QCoreApplication::translate("EngineWords", p.source);
        QStringList parts(9);
        for (size_t i = 0; i < p.order.size(); ++i) {
            QString part = m.captured(int(i) + 1);
            // Names and paths stay; sentences and device descriptions are worded again.
            const bool lead = part.startsWith(u' ');
            const QString worded = Word(part.trimmed(), depth + 1, patterns);
            part = (lead ? QStringLiteral(" ") : QString()) + worded;
            parts[p.order[i] - 1] = part;
        }
        // Placeholders are replaced in one pass, so a part that holds "%1" stays as it is.
        QString result;
        for (qsizetype i = 0; i < out.size(); ++i) {
            if (out[i] == u'%' && i + 1 < out.size() && out[i + 1].isDigit() && out[i + 1] != u'0') {
                result += parts[out[i + 1].digitValue() - 1];
                ++i;
            } else {
                result += out[i];
            }
        }
        return result;
    }
    // A part that is no sentence may be a device's name.
    return depth > 0 && &patterns != &DevicePatterns() ? Word(english, depth, DevicePatterns()) : english;
}

}  // namespace

QString EngineErrorText(const QString& english) { return Word(english, 0, SentencePatterns()); }

QString EngineErrorText(const std::string& english) { return EngineErrorText(QString::fromStdString(english)); }

QString DeviceDisplayName(const std::string& name) { return Word(QString::fromStdString(name), 0, DevicePatterns()); }

QString CatalogText(const std::string& english) {
    for (const char* t : kCatalogTexts)
        if (english == t) return QCoreApplication::translate("EngineWords", t);
    return QString::fromStdString(english);
}

}  // namespace pelta
