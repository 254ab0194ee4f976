#include "platform/audio/WaveList.h"

#include <unordered_map>

#include "core/LittleEndian.h"
#include "platform/audio/Engine.h"
#include "platform/audio/Units.h"

namespace valdorin::audio {

using detail::Engine;
using detail::PreparedWave;

namespace {

int readLe16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return at + 2 <= b.size() ? le::get16(&b[at]) : 0;
}

}  // namespace

// What was decoded from each wave, so that a wave is converted once however often it plays.
// A cached conversion is used again only for the same assignment of the same wave (generation,
// bytes and size) at the same output rate.
struct WaveList::Impl {
    struct Entry {
        std::uint64_t generation = 0;
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
        std::vector<std::uint8_t> format;
        int rate = 0;
        std::shared_ptr<const PreparedWave> prepared;  // null: cannot play
    };
    std::unordered_map<const kits::TKitWave*, Entry> cache;

    std::shared_ptr<const PreparedWave> get(const kits::TKitWave& wave, int rate) {
        auto it = cache.find(&wave);
        if (it != cache.end()) {
            const Entry& e = it->second;
            if (e.generation == wave.generation() && e.data == wave.data().data() &&
                e.size == wave.data().size() && e.format == wave.format() && e.rate == rate)
                return e.prepared;
        }
        Entry e;
        e.generation = wave.generation();
        e.data = wave.data().data();
        e.size = wave.data().size();
        e.format = wave.format();
        e.rate = rate;
        const auto& f = wave.format();
        int tag = readLe16(f, 0);
        // WAVE_FORMAT_EXTENSIBLE names the real format in the first two bytes of its GUID.
        if (tag == 0xFFFE && f.size() >= 26)
            tag = readLe16(f, 24);
        if (!wave.empty() && f.size() >= 16) {
            e.prepared = detail::prepareWave(tag, wave.channels(), wave.sampleRate(),
                                             wave.bitsPerSample(), wave.blockAlign(),
                                             wave.data().data(), wave.data().size(), rate);
        }
        auto result = e.prepared;
        cache[&wave] = std::move(e);
        return result;
    }

    // Drops what belongs to waves no longer in the kit.
    void prune(kits::TWaveCollection& kit) {
        std::unordered_map<const kits::TKitWave*, Entry> kept;
        for (int i = 0; i < kit.Count(); ++i) {
            auto it = cache.find(&kit.EntryAt(i).Wave);
            if (it != cache.end())
                kept.insert(std::move(*it));
        }
        cache = std::move(kept);
    }
};

WaveList::WaveList(SoundDevice& device, kits::TWaveCollection& kit)
    : device_(device), kit_(kit), impl_(new Impl) {}

WaveList::~WaveList() {
    delete impl_;
}

void WaveList::PlayEntry(kits::TWaveCollectionItem& entry) {
    Engine& engine = Engine::get();
    if (impl_->cache.size() > static_cast<std::size_t>(2 * kit_.Count() + 16))
        impl_->prune(kit_);
    auto wave = impl_->get(entry.Wave, engine.rate());
    if (!wave)
        return;
    const StereoGain g = levelGains(entry.Pan, entry.Volume);
    detail::Command c;
    c.type = detail::Command::Type::StartVoice;
    c.device = static_cast<std::int16_t>(device_.Id());
    c.muteWhenInactive = !device_.GlobalFocus();
    c.frame = engine.startFrame();
    c.wave = wave.get();
    c.keep = new detail::Retained(std::move(wave));
    c.gainLeft = g.left;
    c.gainRight = g.right;
    engine.post(c);
}

void WaveList::Prepare() {
    const int rate = Engine::get().rate();
    impl_->prune(kit_);
    for (int i = 0; i < kit_.Count(); ++i)
        impl_->get(kit_.EntryAt(i).Wave, rate);
}

}  // namespace valdorin::audio
