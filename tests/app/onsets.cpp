// Checks the onsets of a recording against the step intervals a song should keep.
//
// Usage: onsets RECORDING RATE COUNTxMS... [--tolerance-ms X]
// RECORDING is raw signed 16-bit little-endian stereo at RATE frames per second (what parec
// writes). Each COUNTxMS says that COUNT gaps of MS milliseconds follow, in order; the first
// onset may come anywhere. Prints the onsets found and the worst deviation, and exits 0 when
// the gaps are as expected, 1 when not, 2 on bad use.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Segment {
    int count;
    double ms;
};

// A frame louder than this after a quiet stretch is an onset.
constexpr double kThreshold = 0.05;
// An onset needs this much quieter sound before it (no step is this close to the last).
constexpr double kQuietMs = 50;

std::vector<std::int64_t> findOnsets(const std::vector<std::int16_t>& pcm, int rate) {
    std::vector<std::int64_t> onsets;
    const auto quietFrames = static_cast<std::int64_t>(kQuietMs * rate / 1000);
    std::int64_t lastLoud = -quietFrames - 1;
    const auto frames = static_cast<std::int64_t>(pcm.size() / 2);
    for (std::int64_t f = 0; f < frames; ++f) {
        const double level =
            std::max(std::abs(pcm[2 * f] / 32768.0), std::abs(pcm[2 * f + 1] / 32768.0));
        if (level < kThreshold)
            continue;
        if (f - lastLoud > quietFrames)
            onsets.push_back(f);
        lastLoud = f;
    }
    return onsets;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: onsets RECORDING RATE COUNTxMS... [--tolerance-ms X]\n");
        return 2;
    }
    const int rate = std::atoi(argv[2]);
    double tolerance = 2.0;
    std::vector<Segment> segments;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--tolerance-ms" && i + 1 < argc) {
            tolerance = std::atof(argv[++i]);
            continue;
        }
        const auto x = a.find('x');
        if (x == std::string::npos) {
            std::fprintf(stderr, "onsets: bad segment %s\n", a.c_str());
            return 2;
        }
        segments.push_back({std::atoi(a.substr(0, x).c_str()), std::atof(a.substr(x + 1).c_str())});
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in || rate <= 0) {
        std::fprintf(stderr, "onsets: cannot read %s\n", argv[1]);
        return 2;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> pcm(bytes.size() / 2);
    for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                           (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));

    const std::vector<std::int64_t> onsets = findOnsets(pcm, rate);
    std::vector<double> expected;
    for (const Segment& s : segments)
        expected.insert(expected.end(), static_cast<std::size_t>(s.count), s.ms);
    std::printf("%zu onsets in %.1f s of recording, %zu expected\n", onsets.size(),
                static_cast<double>(pcm.size() / 2) / rate, expected.size() + 1);

    bool ok = onsets.size() == expected.size() + 1;
    double worst = 0;
    std::size_t worstAt = 0;
    const std::size_t gaps = std::min(expected.size(), onsets.empty() ? 0 : onsets.size() - 1);
    int wrong = 0;
    for (std::size_t i = 0; i < gaps; ++i) {
        const double gap = (onsets[i + 1] - onsets[i]) * 1000.0 / rate;
        const double off = std::abs(gap - expected[i]);
        if (off > worst) {
            worst = off;
            worstAt = i;
        }
        if (off > tolerance) {
            ok = false;
            if (++wrong <= 10)
                std::printf("gap %zu (onset at %.3f s): %.2f ms, expected %.1f ms\n", i + 1,
                            static_cast<double>(onsets[i]) / rate, gap, expected[i]);
        }
    }
    std::printf("worst gap deviation %.3f ms (gap %zu); %d gaps beyond %.1f ms\n", worst,
                worstAt + 1, wrong, tolerance);
    return ok ? 0 : 1;
}
