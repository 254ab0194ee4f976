// main() of the test programs that need Qt: one QApplication for all cases, offscreen.

#include <QApplication>

#include <gtest/gtest.h>

// Qt, GStreamer and the sound server's client library keep allocations until the process ends,
// which the leak checker would count against every test; the other sanitizer options stay as the
// environment gives them.
extern "C" __attribute__((used)) const char* __asan_default_options() {
    return "detect_leaks=0:abort_on_error=1";
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    if (qgetenv("VALDORIN_AUDIO").isEmpty())
        qputenv("VALDORIN_AUDIO", "null");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
