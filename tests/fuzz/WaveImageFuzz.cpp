// libFuzzer target: the wave image reader on arbitrary bytes. Any valdorin::Error is an
// accepted outcome; a crash, a sanitizer report, another exception or a hang is a finding.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/Errors.h"
#include "kits/KitFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    valdorin::kits::TKitWave wave;
    try {
        valdorin::kits::ReadWaveImage(wave, std::span(data, size));
        // Nothing read may be larger than the image it came from.
        if (wave.format().size() + wave.data().size() > size)
            __builtin_trap();
        const auto image = valdorin::kits::WaveImage(wave);
        valdorin::kits::TKitWave again;
        valdorin::kits::ReadWaveImage(again, image);
        if (!wave.empty() && (again.format() != wave.format() || again.data() != wave.data()))
            __builtin_trap();
    } catch (const valdorin::Error&) {
    }
    return 0;
}
