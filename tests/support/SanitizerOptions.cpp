// What the sanitizers of every test program are told unless ASAN_OPTIONS says otherwise. Qt,
// GStreamer and the sound server's client library keep allocations until the process ends,
// which the leak checker would count against the test.

extern "C" __attribute__((used)) const char* __asan_default_options() {
    return "detect_leaks=0:abort_on_error=1";
}
