#pragma once
// Drum kits: the in-memory kit, its entries and their waves, the kit file (*.dxg) and the wave
// image (a RIFF WAVE byte image, also the form of an entry's wave in a WAV file).
//
// Every failure raises valdorin::Error with the message the user sees.

#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace valdorin::kits {

// An entry's sound: the body of a "fmt " chunk and the body of a "data" chunk, kept verbatim.
class TKitWave {
  public:
    const std::vector<std::uint8_t>& format() const { return format_; }
    const std::vector<std::uint8_t>& data() const { return data_; }
    // Empty for writing purposes: no format block or no sample data.
    bool empty() const { return format_.empty() || data_.empty(); }
    void assign(std::vector<std::uint8_t> format, std::vector<std::uint8_t> data);
    // Changes on every assignment; lets players cache what they decoded from this wave.
    std::uint64_t generation() const { return generation_; }

    // Format fields read from the first 16 bytes of the format block (0 where it is shorter).
    int formatTag() const;
    int channels() const;
    int sampleRate() const;  // the stored 32-bit value; cast to std::uint32_t for its full range
    int bitsPerSample() const;
    int blockAlign() const;
    std::uint32_t avgBytesPerSecond() const;

  private:
    std::vector<std::uint8_t> format_;
    std::vector<std::uint8_t> data_;
    std::uint64_t generation_ = 0;
};

void ClearWave(TKitWave& wave);
// The wave image: "RIFF", size, "WAVE", "fmt " chunk, "data" chunk, one 0x00 byte;
// nothing at all for an empty wave.
std::vector<std::uint8_t> WaveImage(const TKitWave& wave);
// Reads a wave image into the wave, replacing its contents; an image of no bytes empties it.
void ReadWaveImage(TKitWave& wave, std::span<const std::uint8_t> image);
// "Cannot open file %s" leaves the wave unchanged.
void LoadWaveFile(TKitWave& wave, const std::filesystem::path& path);
void SaveWaveFile(const TKitWave& wave, const std::filesystem::path& path);

class TWaveCollection;

class TWaveCollectionItem {
  public:
    const std::string& Name() const { return name_; }
    TKitWave Wave;
    int Pan = 0;     // hundredths of a decibel, negative towards the left; not stored in files
    int Volume = 0;  // hundredths of a decibel of attenuation, 0 full level; not stored in files

  private:
    friend class TWaveCollection;
    std::string name_;
    std::uint64_t namedAt_ = 0;  // when the entry last received its name, for FindEntry
};

class TWaveCollection {
  public:
    TWaveCollection() = default;
    TWaveCollection(const TWaveCollection&) = delete;
    TWaveCollection& operator=(const TWaveCollection&) = delete;

    int Count() const { return static_cast<int>(entries_.size()); }
    TWaveCollectionItem& AddEntry();
    void ClearEntries();
    // "List index out of bounds (%d)" outside 0..Count()-1.
    TWaveCollectionItem& EntryAt(int index);
    const TWaveCollectionItem& EntryAt(int index) const;
    // Case-blind; among equal names the one named most recently wins.
    // "Wave '%s' not found" when there is none.
    TWaveCollectionItem& FindEntry(std::string_view name);
    // nullptr instead of the error.
    TWaveCollectionItem* TryFindEntry(std::string_view name);
    // A name equal to the current one, letter case included, changes nothing.
    void SetEntryName(TWaveCollectionItem& entry, std::string name);

  private:
    // FindEntry compares every entry's name: kits hold a few dozen entries, and a scan keeps
    // renaming and adding O(1) whatever a file holds.
    std::vector<std::unique_ptr<TWaveCollectionItem>> entries_;
    std::uint64_t nameClock_ = 0;
};

// "Cannot open file %s" (the path as passed) leaves the kit unchanged; after that the kit is
// emptied and holds what was read before any later error.
void ReadKitFile(TWaveCollection& kit, const std::filesystem::path& path);
// Writes beside the file and renames over it: a failed write leaves the old file whole.
void WriteKitFile(const TWaveCollection& kit, const std::filesystem::path& path);
// The kit file's bytes, as WriteKitFile writes them; and reading from bytes in memory.
std::vector<std::uint8_t> KitFileImage(const TWaveCollection& kit);
void ReadKitImage(TWaveCollection& kit, std::span<const std::uint8_t> bytes);

}  // namespace valdorin::kits
