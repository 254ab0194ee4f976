#include "kits/DefaultKit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <system_error>
#include <vector>

#include "core/Errors.h"
#include "core/InstrumentList.h"
#include "core/LittleEndian.h"
#include "core/PanFile.h"
#include "core/ProgramFiles.h"
#include "core/RiffWave.h"
#include "platform/FileSystem.h"

namespace valdorin::kits {

namespace {

constexpr int kRate = 44100;  // frames per second of every generated sound
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Peak level of every sound, a little below full scale (about -1 dB).
constexpr double kPeak = 0.89;
constexpr int kFadeInFrames = 24;

using Signal = std::vector<double>;

// Fixed-seed white noise in -1..1 (xorshift64*): the same bytes on every build.
class Noise {
  public:
    explicit Noise(std::uint64_t seed) : state_(seed ? seed : 1) {}
    double next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        const std::uint64_t x = state_ * 0x2545F4914F6CDD1DULL;
        return double(x >> 11) * (2.0 / 9007199254740992.0) - 1.0;
    }

  private:
    std::uint64_t state_;
};

// Second-order filter section (the usual audio-cookbook shapes).
class Biquad {
  public:
    static Biquad lowpass(double freq, double q) { return make(freq, q, Kind::Low); }
    static Biquad highpass(double freq, double q) { return make(freq, q, Kind::High); }
    static Biquad bandpass(double freq, double q) { return make(freq, q, Kind::Band); }

    double operator()(double x) {
        const double y = b0_ * x + z1_;
        z1_ = b1_ * x - a1_ * y + z2_;
        z2_ = b2_ * x - a2_ * y;
        return y;
    }

  private:
    enum class Kind { Low, High, Band };
    static Biquad make(double freq, double q, Kind kind) {
        const double w = kTwoPi * freq / kRate;
        const double alpha = std::sin(w) / (2 * q);
        const double c = std::cos(w);
        const double a0 = 1 + alpha;
        Biquad f;
        switch (kind) {
            case Kind::Low:
                f.b0_ = f.b2_ = (1 - c) / 2 / a0;
                f.b1_ = (1 - c) / a0;
                break;
            case Kind::High:
                f.b0_ = f.b2_ = (1 + c) / 2 / a0;
                f.b1_ = -(1 + c) / a0;
                break;
            case Kind::Band:
                f.b0_ = alpha / a0;
                f.b1_ = 0;
                f.b2_ = -alpha / a0;
                break;
        }
        f.a1_ = -2 * c / a0;
        f.a2_ = (1 - alpha) / a0;
        return f;
    }
    double b0_ = 0, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0, z1_ = 0, z2_ = 0;
};

Signal frames(double seconds) {
    return Signal(std::size_t(std::lround(seconds * kRate)), 0.0);
}
double timeOf(std::size_t i) {
    return double(i) / kRate;
}
double decay(double t, double tau) {
    return std::exp(-t / tau);
}

// A sine whose frequency (Hz) follows freq(t); the phase is accumulated so sweeps stay smooth.
class Sweep {
  public:
    explicit Sweep(std::function<double(double)> freq) : freq_(std::move(freq)) {}
    double next(double t) {
        const double v = std::sin(phase_);
        phase_ += kTwoPi * freq_(t) / kRate;
        if (phase_ > kTwoPi)
            phase_ -= kTwoPi;
        return v;
    }

  private:
    std::function<double(double)> freq_;
    double phase_ = 0;
};

// Six detuned square waves at inharmonic ratios: the metallic source of hats and cymbals.
double metal(double t, double scale) {
    static constexpr double kFreqs[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    double v = 0;
    for (double f : kFreqs)
        v += std::sin(kTwoPi * f * scale * t) >= 0 ? 1.0 : -1.0;
    return v / 6;
}

// Fades in over a few frames and out to exact silence, then scales to the common peak; every
// sound starts and ends at 0 and never reaches full scale.
std::vector<std::int16_t> finish(Signal s, double fadeOutSeconds = 0.01) {
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < std::min<std::size_t>(kFadeInFrames, n); ++i)
        s[i] *= 0.5 - 0.5 * std::cos(std::numbers::pi * double(i) / kFadeInFrames);
    const std::size_t fadeOut = std::min(n, std::size_t(fadeOutSeconds * kRate));
    for (std::size_t k = 0; k < fadeOut; ++k)
        s[n - fadeOut + k] *= 0.5 + 0.5 * std::cos(std::numbers::pi * double(k + 1) / fadeOut);
    double peak = 0;
    for (double v : s)
        peak = std::max(peak, std::abs(v));
    std::vector<std::int16_t> out(n);
    const double gain = peak > 0 ? kPeak * 32767 / peak : 0;
    for (std::size_t i = 0; i < n; ++i)
        out[i] = std::int16_t(std::lround(s[i] * gain));
    return out;
}

std::vector<std::int16_t> kick(double seconds, double base, double drop, double dropTau,
                               double ampTau, double click, std::uint64_t seed) {
    Signal s = frames(seconds);
    Sweep body([&](double t) { return base + drop * decay(t, dropTau); });
    Noise noise(seed);
    Biquad clickFilter = Biquad::bandpass(3500, 0.8);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double b = body.next(t) * decay(t, ampTau);
        const double c = clickFilter(noise.next()) * decay(t, 0.003) * click;
        s[i] = std::tanh(1.6 * (b + c));
    }
    return finish(std::move(s));
}

std::vector<std::int16_t> snare() {
    Signal s = frames(0.5);
    Sweep low([](double t) { return 185 * (1 + 0.12 * decay(t, 0.01)); });
    Sweep high([](double t) { return 330 * (1 + 0.12 * decay(t, 0.01)); });
    Noise noise(0x5A4E);
    Biquad hp = Biquad::highpass(1500, 0.7), lp = Biquad::lowpass(9000, 0.7);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double body = (0.6 * low.next(t) + 0.35 * high.next(t)) * decay(t, 0.06);
        const double snares = lp(hp(noise.next())) * decay(t, 0.1);
        s[i] = 0.55 * body + 0.9 * snares;
    }
    return finish(std::move(s));
}

std::vector<std::int16_t> hiHat(double seconds, double tau, std::uint64_t seed) {
    Signal s = frames(seconds);
    Noise noise(seed);
    Biquad band = Biquad::bandpass(10000, 1.2), hp1 = Biquad::highpass(7000, 0.7),
           hp2 = Biquad::highpass(7000, 0.7);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double src = 0.7 * metal(t, 1.0) + 0.3 * noise.next();
        s[i] = hp2(hp1(band(src))) * decay(t, tau);
    }
    return finish(std::move(s), 0.005);
}

std::vector<std::int16_t> tom(double seconds, double freq, double ampTau, std::uint64_t seed) {
    Signal s = frames(seconds);
    Sweep body([freq](double t) { return freq * (1 + 0.25 * decay(t, 0.05)); });
    Sweep overtone([freq](double t) { return 1.5 * freq * (1 + 0.25 * decay(t, 0.05)); });
    Noise noise(seed);
    Biquad stick = Biquad::bandpass(1000, 0.9);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        s[i] = body.next(t) * decay(t, ampTau) + 0.25 * overtone.next(t) * decay(t, ampTau / 3) +
               0.4 * stick(noise.next()) * decay(t, 0.008);
    }
    return finish(std::move(s));
}

std::vector<std::int16_t> crash() {
    Signal s = frames(3.0);
    Noise noise(0xC4A5);
    Biquad hp1 = Biquad::highpass(4000, 0.7), hp2 = Biquad::highpass(4000, 0.7),
           band = Biquad::bandpass(6500, 0.6);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double src = 0.35 * metal(t, 1.7) + 0.65 * noise.next();
        const double attack = std::min(1.0, t / 0.002);
        s[i] = hp2(hp1(band(src))) * attack * decay(t, 0.55);
    }
    return finish(std::move(s), 0.05);
}

std::vector<std::int16_t> ride() {
    Signal s = frames(2.5);
    Noise noise(0x41DE);
    Biquad hp = Biquad::highpass(3000, 0.7), band = Biquad::bandpass(5500, 1.0);
    static constexpr double kBell[] = {3020, 4210, 5330, 6390};
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        double bell = 0;
        for (double f : kBell)
            bell += std::sin(kTwoPi * f * t);
        const double wash = hp(band(0.5 * metal(t, 2.3) + 0.5 * noise.next()));
        s[i] = 0.12 * bell * decay(t, 0.45) + wash * decay(t, 0.42) + 0.3 * wash * decay(t, 0.03);
    }
    return finish(std::move(s), 0.05);
}

std::vector<std::int16_t> rimshot() {
    Signal s = frames(0.12);
    Noise noise(0x21);
    Biquad hp = Biquad::highpass(3000, 0.7);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        s[i] = 0.7 * std::sin(kTwoPi * 1720 * t) * decay(t, 0.006) +
               0.5 * std::sin(kTwoPi * 480 * t) * decay(t, 0.014) +
               0.6 * hp(noise.next()) * decay(t, 0.003);
    }
    return finish(std::move(s), 0.005);
}

std::vector<std::int16_t> shaker() {
    Signal s = frames(0.28);
    Noise noise(0x5AAE);
    Biquad hp = Biquad::highpass(5000, 0.7), lp = Biquad::lowpass(12000, 0.7);
    constexpr double a = 0.035;  // seconds to the loudest point of the swing
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        s[i] = lp(hp(noise.next())) * (t / a) * std::exp(1 - t / a);
    }
    return finish(std::move(s));
}

std::vector<std::int16_t> block() {
    Signal s = frames(0.2);
    Noise noise(0xB10C);
    Biquad ring = Biquad::bandpass(1100, 12);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        s[i] = std::sin(kTwoPi * 1100 * t) * decay(t, 0.025) +
               0.3 * std::sin(kTwoPi * 2970 * t) * decay(t, 0.01) +
               2.0 * ring(noise.next() * decay(t, 0.002));
    }
    return finish(std::move(s));
}

std::vector<std::int16_t> conga() {
    Signal s = frames(0.5);
    Sweep body([](double t) { return 320 * (1 + 0.08 * decay(t, 0.02)); });
    Noise noise(0xC0);
    Biquad slap = Biquad::bandpass(2000, 1.0);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        s[i] = body.next(t) * decay(t, 0.09) + 0.3 * slap(noise.next()) * decay(t, 0.005);
    }
    return finish(std::move(s));
}

std::vector<std::int16_t> cowbell() {
    Signal s = frames(0.45);
    Biquad band = Biquad::bandpass(1800, 0.8), lp = Biquad::lowpass(4000, 0.7);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double tone = (std::sin(kTwoPi * 562 * t) >= 0 ? 0.5 : -0.5) +
                            (std::sin(kTwoPi * 845 * t) >= 0 ? 0.5 : -0.5);
        s[i] = (band(tone) + 0.3 * lp(tone)) * (0.6 * decay(t, 0.012) + 0.4 * decay(t, 0.09));
    }
    return finish(std::move(s));
}

std::vector<std::int16_t> clap() {
    Signal s = frames(0.45);
    Noise noise(0xC1A9);
    Biquad band = Biquad::bandpass(1200, 0.8), hp = Biquad::highpass(600, 0.7);
    static constexpr double kHands[] = {0.0, 0.009, 0.019, 0.029};  // seconds
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        double env = 0;
        for (double at : kHands)
            if (t >= at)
                env = std::max(env, decay(t - at, 0.004));
        if (t >= kHands[3])
            env = std::max(env, 0.7 * decay(t - kHands[3], 0.08));
        s[i] = hp(band(noise.next())) * env;
    }
    return finish(std::move(s));
}

std::vector<std::int16_t> tambourine() {
    Signal s = frames(0.4);
    Noise noise(0x7A3B);
    Biquad hp1 = Biquad::highpass(6000, 0.7), hp2 = Biquad::highpass(6000, 0.7);
    static constexpr double kJingles[] = {5800, 7300, 8900, 10200};
    static constexpr double kTaps[] = {0.0, 0.012, 0.025};  // seconds
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        double taps = 0;
        for (double at : kTaps)
            if (t >= at)
                taps += decay(t - at, 0.01);
        double ring = 0;
        for (double f : kJingles)
            ring += std::sin(kTwoPi * f * t);
        s[i] =
            (hp2(hp1(noise.next())) * (0.5 * taps + decay(t, 0.07)) + 0.08 * ring * decay(t, 0.08));
    }
    return finish(std::move(s));
}

// The "fmt " body of 16-bit PCM.
std::vector<std::uint8_t> pcmFormat(int channels) {
    const auto body = riff::formatBody(riff::FormatFields::pcm(channels, kRate, 16));
    return {body.begin(), body.end()};
}

std::vector<std::uint8_t> pcmData(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> out;
    out.reserve(samples.size() * 2);
    for (std::int16_t v : samples)
        le::append16(out, static_cast<std::uint16_t>(v));
    return out;
}

constexpr int kBlankFrames = kRate / 10;

}  // namespace

void BuildDefaultKit(TWaveCollection& kit) {
    // In instrument list order, 1..16.
    const std::vector<std::int16_t> sounds[kKitInstruments] = {
        kick(1.0, 48, 110, 0.035, 0.2, 0.25, 0x1C1C),  // Kick: falling pitch, long body
        kick(0.35, 60, 140, 0.02, 0.06, 0.5, 0x5C1C),  // Short Kick: tight and clicky
        snare(),
        hiHat(0.12, 0.018, 0xC105),  // closed
        hiHat(0.45, 0.09, 0x0BE4),   // open
        tom(0.7, 180, 0.14, 0x7011),
        tom(0.9, 120, 0.18, 0x7022),
        crash(),
        ride(),
        rimshot(),
        shaker(),
        block(),
        conga(),
        cowbell(),
        clap(),
        tambourine(),
    };

    kit.ClearEntries();
    TWaveCollectionItem& placeholder = kit.AddEntry();
    placeholder.Wave.assign(pcmFormat(2), std::vector<std::uint8_t>(kBlankFrames * 4, 0));
    for (int i = 0; i < kKitInstruments; ++i) {
        TWaveCollectionItem& entry = kit.AddEntry();
        kit.SetEntryName(entry, instrumentEntry(i + 1));
        entry.Wave.assign(pcmFormat(1), pcmData(sounds[i]));
    }
}

std::vector<std::uint8_t> BlankWavBytes() {
    const std::vector<std::uint8_t> silence(kBlankFrames * 4, 0);
    return riff::image(pcmFormat(2), silence, riff::Tail::None);
}

void SeedProgramDirectory(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec))
        throwCannotCreate(fs::textFromPath(dir));
    // The program finds its files without regard to letter case, so a user's "panning.dat"
    // already counts as "Panning.dat".
    auto missing = [&](const char* name) { return !fs::findCaseBlind(dir, name); };
    if (missing(kKitFileName)) {
        TWaveCollection kit;
        BuildDefaultKit(kit);
        WriteKitFile(kit, dir / kKitFileName);
    }
    if (missing(kBlankWav))
        fs::writeFileAtomic(dir / kBlankWav, BlankWavBytes());
    if (missing(kPanFileName))
        fs::writeLines(dir / kPanFileName, panFileLines(Pans{}));
    if (missing(kTempDirName)) {
        std::filesystem::create_directory(dir / kTempDirName, ec);
        if (ec)
            throwCannotCreate(fs::textFromPath(dir / kTempDirName));
    }
}

}  // namespace valdorin::kits
