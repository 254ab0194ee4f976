#include "kits/KitFile.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <utility>

#include "core/Errors.h"
#include "core/LittleEndian.h"
#include "core/RiffWave.h"
#include "core/Text.h"
#include "platform/FileSystem.h"

namespace valdorin::kits {

namespace {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

constexpr const char* kStreamReadError = "Stream read error";
constexpr const char* kStreamWriteError = "Stream write error";
constexpr const char* kInvalidStreamFormat = "Invalid stream format";
constexpr const char* kInvalidPropertyValue = "Invalid property value";
constexpr const char* kPropertyDoesNotExist = "Property does not exist";
constexpr const char* kInvalidPropertyPath = "Invalid property path";
constexpr const char* kWaveIsInvalid = "Wave is invalid";

constexpr const char* kHolderClass = "TWaveCollectionComponent";
constexpr const char* kEntryClass = "TWaveCollectionItem";
constexpr const char* kResourceName = "DELPHIXWAVECOLLECTION";

// Value tags of the object image.
enum : std::uint8_t {
    kEndOfList = 0x00,
    kRecord = 0x01,
    kInt8 = 0x02,
    kInt16 = 0x03,
    kInt32 = 0x04,
    kString = 0x06,
    kBinary = 0x0A,
    kLongString = 0x0C,
    kNil = 0x0D,
    kCollection = 0x0E,
};

void putShortString(Bytes& out, std::string_view s) {
    out.push_back(std::uint8_t(s.size()));
    le::appendText(out, s);
}

// Reads forward through bytes held in memory. Every read checks what is left first, so a count
// taken from the file never drives an allocation or a read beyond the end.
class Cursor {
  public:
    explicit Cursor(ByteSpan bytes, std::size_t pos = 0) : bytes_(bytes), pos_(pos) {}

    std::size_t remaining() const { return pos_ < bytes_.size() ? bytes_.size() - pos_ : 0; }

    ByteSpan take(std::uint64_t n) {
        if (n > remaining())
            throw Error(kStreamReadError);
        ByteSpan s = bytes_.subspan(pos_, static_cast<std::size_t>(n));
        pos_ += static_cast<std::size_t>(n);
        return s;
    }
    std::uint8_t peek() const {
        if (remaining() == 0)
            throw Error(kStreamReadError);
        return bytes_[pos_];
    }
    std::uint8_t byte() { return take(1)[0]; }
    std::uint32_t u32() { return le::get32(take(4).data()); }
    std::string text(std::uint64_t n) {
        const ByteSpan s = take(n);
        return std::string(s.begin(), s.end());
    }
    std::string shortString() { return text(byte()); }

    // An integer value of any of the three widths; the tag must be one of them.
    std::int32_t integer() {
        switch (byte()) {
            case kInt8:
                return static_cast<std::int8_t>(byte());
            case kInt16:
                return static_cast<std::int16_t>(le::get16(take(2).data()));
            case kInt32:
                return static_cast<std::int32_t>(u32());
            default:
                throw Error(kInvalidPropertyValue);
        }
    }

  private:
    ByteSpan bytes_;
    std::size_t pos_;
};

std::vector<std::string_view> splitPath(std::string_view name) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = name.find('.', start);
        parts.push_back(name.substr(start, dot == std::string_view::npos ? dot : dot - start));
        if (dot == std::string_view::npos)
            return parts;
        start = dot + 1;
    }
}

// Runs one property read; an error inside it comes out as "Error reading Class.Name: message".
template <class Fn>
void wrapProperty(const char* className, const std::string& propertyName, Fn&& read) {
    try {
        read();
    } catch (const Error& e) {
        throw Error(std::string("Error reading ") + className + "." + propertyName + ": " +
                    e.what());
    }
}

void readEntryProperty(Cursor& in, TWaveCollection& kit, TWaveCollectionItem& entry) {
    const std::string name = in.shortString();
    wrapProperty(kEntryClass, name, [&] {
        const auto parts = splitPath(name);
        if (sameText(parts[0], "Name")) {
            if (parts.size() > 1)
                throw Error(kInvalidPropertyPath);
            std::string value;
            switch (in.byte()) {
                case kString:
                    value = in.text(in.byte());
                    break;
                case kLongString:
                    value = in.text(in.u32());
                    break;
                default:
                    throw Error(kInvalidPropertyValue);
            }
            kit.SetEntryName(entry, std::move(value));
        } else if (sameText(parts[0], "Wave")) {
            if (parts.size() == 1) {
                // A bare wave property can only say "no wave".
                if (in.byte() != kNil)
                    throw Error(kInvalidPropertyValue);
                ClearWave(entry.Wave);
            } else if (parts.size() == 2 && sameText(parts[1], "WAVE")) {
                if (in.byte() != kBinary)
                    throw Error(kInvalidPropertyValue);
                const ByteSpan image = in.take(in.u32());
                ReadWaveImage(entry.Wave, image);
            } else {
                throw Error(kPropertyDoesNotExist);
            }
        } else {
            throw Error(kPropertyDoesNotExist);
        }
    });
}

void readList(Cursor& in, TWaveCollection& kit) {
    const std::uint8_t tag = in.byte();
    if (tag == kNil) {
        kit.ClearEntries();
        return;
    }
    if (tag != kCollection)
        throw Error(kInvalidPropertyValue);
    // A second list in one file replaces the first, as any repeated property does.
    kit.ClearEntries();
    for (;;) {
        std::uint8_t b = in.peek();
        if (b == kEndOfList)
            break;
        if (b == kInt8 || b == kInt16 || b == kInt32)
            in.integer();  // item index, not used
        if (in.byte() != kRecord)
            throw Error(kInvalidPropertyValue);
        TWaveCollectionItem& entry = kit.AddEntry();
        while (in.peek() != kEndOfList)
            readEntryProperty(in, kit, entry);
        in.byte();
    }
    in.byte();
}

void readHolderProperty(Cursor& in, TWaveCollection& kit) {
    const std::string name = in.shortString();
    wrapProperty(kHolderClass, name, [&] {
        const auto parts = splitPath(name);
        const bool isInteger =
            sameText(parts[0], "Tag") || sameText(parts[0], "Left") || sameText(parts[0], "Top");
        if (parts.size() == 1 && sameText(parts[0], "List")) {
            readList(in, kit);
        } else if (parts.size() == 1 && isInteger) {
            in.integer();  // design-time values, nothing to keep
        } else if (isInteger) {
            throw Error(kInvalidPropertyPath);
        } else {
            throw Error(kPropertyDoesNotExist);
        }
    });
}

bool isIdentifier(std::string_view s) {
    auto letter = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    };
    if (s.empty() || !letter(s[0]))
        return false;
    return std::all_of(s.begin() + 1, s.end(),
                       [&](unsigned char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

std::atomic<std::uint64_t> waveGenerations{0};

}  // namespace

// ---- TKitWave ----

void TKitWave::assign(std::vector<std::uint8_t> format, std::vector<std::uint8_t> data) {
    format_ = std::move(format);
    data_ = std::move(data);
    generation_ = ++waveGenerations;
}

namespace {
// A little-endian field of the format block, 0 when the block does not reach it.
std::uint32_t formatField(const Bytes& format, std::size_t offset, std::size_t size) {
    if (format.size() < offset + size)
        return 0;
    return size == 2 ? le::get16(&format[offset]) : le::get32(&format[offset]);
}
}  // namespace

int TKitWave::formatTag() const {
    return int(formatField(format_, 0, 2));
}
int TKitWave::channels() const {
    return int(formatField(format_, 2, 2));
}
int TKitWave::sampleRate() const {
    return static_cast<int>(formatField(format_, 4, 4));
}
std::uint32_t TKitWave::avgBytesPerSecond() const {
    return formatField(format_, 8, 4);
}
int TKitWave::blockAlign() const {
    return int(formatField(format_, 12, 2));
}
int TKitWave::bitsPerSample() const {
    return int(formatField(format_, 14, 2));
}

void ClearWave(TKitWave& wave) {
    wave.assign({}, {});
}

std::vector<std::uint8_t> WaveImage(const TKitWave& wave) {
    if (wave.empty())
        return {};
    const std::uint64_t f = wave.format().size();
    const std::uint64_t d = wave.data().size();
    // The image carries its own length in 32 bits.
    if (29 + f + d > std::numeric_limits<std::uint32_t>::max())
        throw Error(kStreamWriteError);
    return riff::image(wave.format(), wave.data(), riff::Tail::ZeroByte);
}

void ReadWaveImage(TKitWave& wave, std::span<const std::uint8_t> image) {
    ClearWave(wave);
    if (image.empty())
        return;
    if (image.size() < 12)
        throw Error(kStreamReadError);
    if (std::memcmp(image.data(), "RIFF", 4) != 0 || std::memcmp(image.data() + 8, "WAVE", 4) != 0)
        throw Error(kWaveIsInvalid);

    const std::uint64_t n = image.size();
    auto available = [&](std::uint64_t at) { return at < n ? n - at : 0; };
    ByteSpan format;
    std::uint64_t dataPos = 0, dataSize = 0;
    // Each step moves at least 8 bytes on, so the walk ends within n / 8 steps.
    for (std::uint64_t pos = 12; pos <= n;) {
        std::uint8_t header[8] = {};
        std::memcpy(header, image.data() + pos, std::min<std::uint64_t>(8, available(pos)));
        const std::uint32_t size = le::get32(header + 4);
        if (le::get32(header) == 0)
            break;
        pos += 8;
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (size > available(pos))
                throw Error(kStreamReadError);
            format = image.subspan(pos, size);
        } else if (std::memcmp(header, "data", 4) == 0) {
            dataPos = pos;
            dataSize = size;
        }
        pos += size;
    }
    if (dataSize > available(dataPos))
        throw Error(kStreamReadError);
    const auto data = image.subspan(std::min<std::uint64_t>(dataPos, n), dataSize);
    wave.assign(Bytes(format.begin(), format.end()), Bytes(data.begin(), data.end()));
}

void LoadWaveFile(TKitWave& wave, const std::filesystem::path& path) {
    const Bytes bytes = fs::readFile(path);
    ReadWaveImage(wave, bytes);
}

void SaveWaveFile(const TKitWave& wave, const std::filesystem::path& path) {
    fs::writeFileAtomic(path, WaveImage(wave));
}

// ---- TWaveCollection ----

TWaveCollectionItem& TWaveCollection::AddEntry() {
    entries_.push_back(std::make_unique<TWaveCollectionItem>());
    entries_.back()->namedAt_ = ++nameClock_;
    return *entries_.back();
}

void TWaveCollection::ClearEntries() {
    entries_.clear();
}

TWaveCollectionItem& TWaveCollection::EntryAt(int index) {
    return const_cast<TWaveCollectionItem&>(std::as_const(*this).EntryAt(index));
}

const TWaveCollectionItem& TWaveCollection::EntryAt(int index) const {
    if (index < 0 || index >= Count())
        throw Error("List index out of bounds (" + std::to_string(index) + ")");
    return *entries_[static_cast<std::size_t>(index)];
}

TWaveCollectionItem* TWaveCollection::TryFindEntry(std::string_view name) {
    TWaveCollectionItem* found = nullptr;
    for (const auto& entry : entries_)
        if ((!found || entry->namedAt_ > found->namedAt_) && sameText(entry->name_, name))
            found = entry.get();
    return found;
}

TWaveCollectionItem& TWaveCollection::FindEntry(std::string_view name) {
    if (TWaveCollectionItem* entry = TryFindEntry(name))
        return *entry;
    throw Error("Wave '" + std::string(name) + "' not found");
}

void TWaveCollection::SetEntryName(TWaveCollectionItem& entry, std::string name) {
    if (entry.name_ == name)
        return;
    entry.name_ = std::move(name);
    entry.namedAt_ = ++nameClock_;
}

// ---- Kit files ----

std::vector<std::uint8_t> KitFileImage(const TWaveCollection& kit) {
    Bytes out;
    out.push_back(0xFF);
    out.push_back(10);
    out.push_back(0);
    le::appendText(out, kResourceName);
    out.push_back(0);
    out.push_back(0x30);
    out.push_back(0x10);
    le::append32(out, 0);  // image length, filled in below
    const std::size_t imageStart = out.size();

    le::appendText(out, "TPF0");
    putShortString(out, kHolderClass);
    putShortString(out, "");
    putShortString(out, "List");
    out.push_back(kCollection);
    for (int i = 0; i < kit.Count(); ++i) {
        const TWaveCollectionItem& entry = kit.EntryAt(i);
        out.push_back(kRecord);
        const std::string& name = entry.Name();
        if (!name.empty()) {
            putShortString(out, "Name");
            if (name.size() <= 255) {
                out.push_back(kString);
                out.push_back(std::uint8_t(name.size()));
            } else {
                if (name.size() > std::numeric_limits<std::uint32_t>::max())
                    throw Error(kStreamWriteError);
                out.push_back(kLongString);
                le::append32(out, std::uint32_t(name.size()));
            }
            le::appendText(out, name);
        }
        putShortString(out, "Wave.WAVE");
        out.push_back(kBinary);
        const Bytes image = WaveImage(entry.Wave);
        le::append32(out, std::uint32_t(image.size()));
        out.insert(out.end(), image.begin(), image.end());
        out.push_back(kEndOfList);
    }
    out.push_back(kEndOfList);  // the collection
    out.push_back(kEndOfList);  // the holder's properties
    out.push_back(kEndOfList);  // the holder's children

    const std::uint64_t length = out.size() - imageStart;
    if (length > std::numeric_limits<std::uint32_t>::max())
        throw Error(kStreamWriteError);
    for (int i = 0; i < 4; ++i)
        out[imageStart - 4 + i] = std::uint8_t(length >> (8 * i));
    return out;
}

void ReadKitImage(TWaveCollection& kit, std::span<const std::uint8_t> bytes) {
    kit.ClearEntries();

    // Resource header: 0xFF, type 10, a zero-ended name, 2 bytes of flags, 4 bytes of length.
    // Only the marker and the type are checked; the name is looked for in the first 79 bytes.
    if (bytes.size() < 3 || bytes[0] != 0xFF || le::get16(bytes.data() + 1) != 10)
        throw Error(kInvalidStreamFormat);
    const ByteSpan head = bytes.first(std::min<std::size_t>(bytes.size(), 79));
    const auto nameEnd = std::find(head.begin() + 3, head.end(), 0);
    if (nameEnd == head.end())
        throw Error(kInvalidStreamFormat);
    const std::size_t imageStart = std::size_t(nameEnd - head.begin()) + 7;

    Cursor in(bytes, imageStart);
    if (in.remaining() < 4 || std::memcmp(in.take(4).data(), "TPF0", 4) != 0)
        throw Error(kInvalidStreamFormat);

    const std::uint8_t prefix = in.peek();
    if (prefix >= 0xF0) {
        in.byte();
        if (prefix & 2)
            in.integer();  // position among the children, not used
    }
    in.shortString();  // the holder's class name: any class holds a kit
    const std::string holderName = in.shortString();
    if (!holderName.empty() && !isIdentifier(holderName))
        throw Error("''" + holderName + "'' is not a valid component name");

    while (in.peek() != kEndOfList)
        readHolderProperty(in, kit);
    in.byte();
    if (in.peek() != kEndOfList) {
        // A kit holder owns no components; name the class a child record asks for.
        const std::uint8_t childPrefix = in.peek();
        if (childPrefix >= 0xF0) {
            in.byte();
            if (childPrefix & 2)
                in.integer();
        }
        throw Error("Class " + in.shortString() + " not found");
    }
    in.byte();
}

void ReadKitFile(TWaveCollection& kit, const std::filesystem::path& path) {
    const Bytes bytes = fs::readFile(path);
    ReadKitImage(kit, bytes);
}

void WriteKitFile(const TWaveCollection& kit, const std::filesystem::path& path) {
    fs::writeFileAtomic(path, KitFileImage(kit));
}

}  // namespace valdorin::kits
