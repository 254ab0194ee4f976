// libFuzzer target: the kit file reader on arbitrary bytes. Any valdorin::Error is an accepted
// outcome; a crash, a sanitizer report, another exception or a hang is a finding.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/Errors.h"
#include "kits/KitFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    valdorin::kits::TWaveCollection kit;
    try {
        valdorin::kits::ReadKitImage(kit, std::span(data, size));
        // What was read writes and reads back to the same kit.
        const auto image = valdorin::kits::KitFileImage(kit);
        valdorin::kits::TWaveCollection again;
        valdorin::kits::ReadKitImage(again, image);
        if (valdorin::kits::KitFileImage(again) != image)
            __builtin_trap();
    } catch (const valdorin::Error&) {
    }
    return 0;
}
