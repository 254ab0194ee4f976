// libFuzzer target: the pan file reader on arbitrary bytes; pans that were read write and read
// back unchanged. Any valdorin::Error is an accepted outcome; a crash, a sanitizer report,
// another exception or a hang is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Errors.h"
#include "core/PanFile.h"
#include "platform/FileSystem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace valdorin;
    const auto lines = fs::splitLines(std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        const Pans pans = parsePanLines(lines);
        for (int i = 1; i <= kPanCount; ++i)
            if (panFromLines(lines, i) != pans[static_cast<std::size_t>(i - 1)])
                __builtin_trap();
        const auto written = panFileLines(pans);
        if (parsePanLines(fs::splitLines(fs::joinLines(written))) != pans)
            __builtin_trap();
    } catch (const Error&) {
    }
    return 0;
}
