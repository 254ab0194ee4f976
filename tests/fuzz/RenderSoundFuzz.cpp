// libFuzzer target: the render's readers of what users hand it. The bytes are taken as a sound
// file image (converted to 16 bits for the render) and, split into lines, as a compiled song
// (row timing and used instruments). Any valdorin::Error is an accepted outcome; a crash, a
// sanitizer report, another exception or a hang is a finding.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "render/RenderFiles.h"
#include "render/Renderer.h"
#include "render/SongTiming.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto wave = valdorin::render::decodeTo16Bit(std::span(data, size));
        if (wave && (wave->bitsPerSample() != 16 || wave->data().size() > 64 * size + (1 << 20)))
            __builtin_trap();
    } catch (const valdorin::Error&) {
    }
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            lines.emplace_back();
        else
            lines.back().push_back(static_cast<char>(data[i]));
    }
    try {
        const auto rows = valdorin::render::songRows(lines);
        for (const auto& row : rows)
            for (int c = 0; c < row.cellCount; ++c)
                if (row.cells[static_cast<std::size_t>(c)] >= lines.size())
                    __builtin_trap();
        for (int p : valdorin::render::usedInstruments(lines))
            if (p < 1 || p > 48)
                __builtin_trap();
    } catch (const valdorin::Error&) {
    }
    return 0;
}
