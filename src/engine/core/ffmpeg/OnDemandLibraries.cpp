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

template <typename Functions>
const Functions* Result(const Loaded<Functions>& loaded, std::string* why) {
    if (!loaded.ok && why != nullptr) *why = loaded.why;
    return loaded.ok ? &loaded.functions : nullptr;
}

#define PELTA_RESOLVE(name) ok = Resolve(handle, #name, f.name, l.why) && ok;

}  // namespace

const AvFilterFunctions* AvFilter(std::string* why) {
    static Loaded<AvFilterFunctions> l;
    std::call_once(l.once, [] {
        void* handle = Open("libavfilter.so." + std::to_string(LIBAVFILTER_VERSION_MAJOR), l.why);
        if (handle == nullptr) return;
        AvFilterFunctions& f = l.functions;
        bool ok = true;
        PELTA_AVFILTER_FUNCTIONS(PELTA_RESOLVE)
        l.ok = ok;
    });
    return Result(l, why);
}

const AvDeviceFunctions* AvDevice(std::string* why) {
    static Loaded<AvDeviceFunctions> l;
    std::call_once(l.once, [] {
        void* handle = Open("libavdevice.so." + std::to_string(LIBAVDEVICE_VERSION_MAJOR), l.why);
        if (handle == nullptr) return;
        AvDeviceFunctions& f = l.functions;
        bool ok = true;
        PELTA_AVDEVICE_FUNCTIONS(PELTA_RESOLVE)
        l.ok = ok;
        if (ok) f.avdevice_register_all();
    });
    return Result(l, why);
}

}  // namespace pelta::engine::ffmpeg
