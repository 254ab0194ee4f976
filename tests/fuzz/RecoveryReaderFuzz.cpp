// libFuzzer target: the recovery copy reader on arbitrary bytes. The damaged-copy Error is an
// accepted outcome; a crash, a sanitizer report, another exception or a hang is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Errors.h"
#include "song/WorkState.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const valdorin::song::WorkState work = valdorin::song::readRecoveryText(text);
        // What was read writes and reads back to the same work.
        if (valdorin::song::readRecoveryText(valdorin::song::recoveryText(work)) != work)
            __builtin_trap();
    } catch (const valdorin::Error&) {
    }
    return 0;
}
