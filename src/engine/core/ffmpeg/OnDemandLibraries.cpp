#include "engine/core/ffmpeg/OnDemandLibraries.h"

#include <dlfcn.h>
#include <mutex>

namespace pelta::engine::ffmpeg {

namespace {

template <typename Functions>
struct Loaded {
    std::once_flag once;
    Functions functions;
    bool ok = false;
    std::string why;
};

// dlopen by the major version the headers describe: another major has another ABI.
void* Open(const std::string& soname, std::string& why) {
    void* handle = dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = dlerror();
        why = error != nullptr ? error : "cannot load " + soname;
    }
    return handle;
}

template <typename F>
bool Resolve(void* handle, const char* name, F& function, std::string& why) {
    function = reinterpret_cast<F>(dlsym(handle, name));
    if (function == nullptr && why.empty()) why = std::string("no ") + name + " in the library";
    return function != nullptr;
}

// Loads the library once; `fill` fills the table from its handle and says whether every
// function was found.
template <typename Functions, typename FillTable>
const Functions* Load(Loaded<Functions>& l, const std::string& soname, FillTable fill, std::string* why) {
    std::call_once(l.once, [&] {
        if (void* handle = Open(soname, l.why)) l.ok = fill(handle, l.functions, l.why);
    });
    if (!l.ok && why != nullptr) *why = l.why;
    return l.ok ? &l.functions : nullptr;
}

#define PELTA_RESOLVE(name) ok = Resolve(handle, #name, f.name, error) && ok;

}  // namespace

const AvFilterFunctions* AvFilter(std::string* why) {
    static Loaded<AvFilterFunctions> l;
    return Load(l, "libavfilter.so." + std::to_string(LIBAVFILTER_VERSION_MAJOR),
                [](void* handle, AvFilterFunctions& f, std::string& error) {
                    bool ok = true;
                    PELTA_AVFILTER_FUNCTIONS(PELTA_RESOLVE)
                    return ok;
                },
                why);
}

const AvDeviceFunctions* AvDevice(std::string* why) {
    static Loaded<AvDeviceFunctions> l;
    return Load(l, "libavdevice.so." + std::to_string(LIBAVDEVICE_VERSION_MAJOR),
                [](void* handle, AvDeviceFunctions& f, std::string& error) {
                    bool ok = true;
                    PELTA_AVDEVICE_FUNCTIONS(PELTA_RESOLVE)
                    if (ok) f.avdevice_register_all();
                    return ok;
                },
                why);
}

}  // namespace pelta::engine::ffmpeg
