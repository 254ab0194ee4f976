#include "platform/audio/QuietAudioLibraries.h"

#include <dlfcn.h>

#include <cstdlib>

namespace valdorin::audio::detail {

namespace {

// The handler types of snd_lib_error_set_handler and jack_set_error_function; the libraries
// are reached through the loader, as PortAudio is what links them.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetHandler = int (*)(AlsaErrorHandler);
using JackMessage = void (*)(const char*);
using JackSetFunction = void (*)(JackMessage);

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
void quietJack(const char*) {}

template <typename F>
F find(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_DEFAULT, name));
}

}  // namespace

void quietAudioLibraries() {
    // Probing must not start a JACK server; a running one is still found.
    ::setenv("JACK_NO_START_SERVER", "1", 0);
    if (auto set = find<AlsaSetHandler>("snd_lib_error_set_handler"))
        set(&quietAlsa);
    if (auto set = find<JackSetFunction>("jack_set_error_function"))
        set(&quietJack);
    if (auto set = find<JackSetFunction>("jack_set_info_function"))
        set(&quietJack);
}

}  // namespace valdorin::audio::detail
