// FFmpeg's device and filter libraries, loaded the first time something needs them rather
// than with the program. Together with what they link (speech voices, SVG, Vulkan and
// OpenGL renderers, SDL...) they keep about 17 MB resident that a screen recording without
// sound filters, picture filters or libavdevice inputs never uses.
//
// Each table holds the functions the engine calls, under their own names; it is filled
// once, from the library built against (its major version), and lives as long as the
// program. nullptr, with the reason, when the library cannot be loaded.
#pragma once

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <string>

namespace pelta::engine::ffmpeg {

#define PELTA_AVFILTER_FUNCTIONS(X)                                                              \
    X(avfilter_graph_alloc) X(avfilter_graph_alloc_filter) X(avfilter_graph_config)              \
    X(avfilter_graph_free) X(avfilter_get_by_name) X(avfilter_init_str) X(avfilter_link)         \
    X(av_buffersrc_write_frame) X(av_buffersrc_add_frame) X(av_buffersink_get_frame)             \
    X(av_buffersink_get_time_base)

#define PELTA_AVDEVICE_FUNCTIONS(X) X(avdevice_register_all)

#define PELTA_DECLARE_FUNCTION(name) decltype(&::name) name = nullptr;
struct AvFilterFunctions {
    PELTA_AVFILTER_FUNCTIONS(PELTA_DECLARE_FUNCTION)
};
struct AvDeviceFunctions {
    PELTA_AVDEVICE_FUNCTIONS(PELTA_DECLARE_FUNCTION)
};
#undef PELTA_DECLARE_FUNCTION

const AvFilterFunctions* AvFilter(std::string* why = nullptr);
// Also registers the devices, so that libavformat finds their inputs by name afterwards
// (av_find_input_format): no more is called in libavdevice itself.
const AvDeviceFunctions* AvDevice(std::string* why = nullptr);

}  // namespace pelta::engine::ffmpeg
