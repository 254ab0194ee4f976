#pragma once
// TWave: the program's own PCM WAV object, used by the renderer.
//
// A source (a drum hit, a sample) is held wholly in memory (memory mode). The render
// destination can hold a whole song at 176400 bytes per second, so it keeps its sample data in
// a backing file and holds at most one window of WindowFrames frames in memory (file-backed
// mode). MixIn adds a source into the destination sample by sample with the arithmetic below,
// but moves bytes between the file and the window in blocks, and reads from the file only the
// part of a window that a mix touches.
//
// Samples are interleaved by frame: the sample of channel c in frame f lies at byte
// f * block align + c * bits per sample / 8. 8-bit samples are unsigned and read as
// (b - 128) * 255; 16-bit samples are signed little-endian. Other bit depths are rejected.
//
// UI thread only; an instance is never shared between threads.

#include <cstdint>
#include <filesystem>
#include <memory>

namespace valdorin::render {

// The first 16 bytes of a "fmt " chunk body, field for field, little-endian on disk.
struct WaveFormatRecord {
    std::uint16_t formatTag = 1;  // 1 = PCM
    std::uint16_t channels = 2;
    std::int32_t sampleRate = 44100;       // frames per second
    std::int32_t avgBytesPerSec = 176400;  // bytes per second
    std::uint16_t blockAlign = 4;          // bytes per frame
    std::uint16_t bitsPerSample = 16;
};
static_assert(sizeof(WaveFormatRecord) == 16);

class BackingFile;

class TWave {
  public:
    // Length of the cache window, in frames.
    static constexpr std::int32_t WindowFrames = 500000;
    // WindowStart while no window is loaded.
    static constexpr std::int32_t NoWindow = -1000000;

    TWave();
    // Releases the data and closes the backing file; the backing file stays on disk.
    ~TWave();
    TWave(const TWave&) = delete;
    TWave& operator=(const TWave&) = delete;

    WaveFormatRecord WaveFormat;
    // Number of sample frames in the data.
    std::int32_t FrameCount = 0;
    // Path of the backing file; set it before SetFileBacked(true).
    std::filesystem::path BackingFileName;

    // Reads a RIFF/WAVE file. A file that does not begin with "RIFF" and "WAVE" is ignored.
    // Raises "Cannot open file %s", "Stream read error" (a "data" chunk larger than the rest
    // of the file) and a clear error for a format with other than 8 or 16 bits per sample.
    void LoadFromFile(const std::filesystem::path& path);
    // Writes the object as a WAV file with the 44-byte header, beside the target and renamed
    // over it. Raises "Cannot create file %s".
    void SaveToFile(const std::filesystem::path& path);
    // Switches between memory mode and file-backed mode (BackingFileName).
    void SetFileBacked(bool on);

    // One sample as a signed 16-bit value; 0 outside the data. The channel equal to the
    // channel count reads the first sample of the following frame.
    int GetSample(int channel, int frame);
    // Writes one sample; writes beyond the end of the data extend it with silence.
    void SetSample(int channel, int frame, std::int16_t value);
    // FrameCount / sample rate, in seconds.
    double Duration() const;

    // Adds source into this object: played at playRate frames per second, starting at start
    // seconds, with pan (-1 full left, 0 centre, +1 full right) and volume as a linear factor.
    // Each written sample is limited to -32767..32767 right after its own addition.
    void MixIn(TWave* source, int playRate, double start, double pan, double volume);

    // The cache window of file-backed mode; they do nothing in memory mode.
    void LoadWindow();
    void FlushWindow();

    bool FileBacked() const { return fileBacked_; }
    std::int32_t WindowStart() const { return windowStart_; }
    // Bytes of sample data: the size of the data in memory mode, of the backing file in
    // file-backed mode (a loaded window not counted).
    std::int64_t DataSize() const;

  private:
    // Raises a clear error for a format the sample arithmetic cannot handle.
    void checkFormat() const;
    bool regularFormat() const;
    std::int64_t bytesPerSample() const { return WaveFormat.bitsPerSample / 8; }
    std::uint8_t silenceByte() const { return WaveFormat.bitsPerSample == 8 ? 0x80 : 0x00; }
    bool inWindow(std::int64_t frame) const {
        return windowStart_ <= frame && frame < std::int64_t{windowStart_} + WindowFrames;
    }

    // The buffer: all sample bytes in memory mode, the window's bytes in file-backed mode.
    void reserve(std::int64_t bytes);
    // Makes window bytes [lo, hi) readable: the part below loaded_ comes from the file.
    void materialize(std::int64_t lo, std::int64_t hi);
    int readBuffer(std::int64_t at);
    void writeBuffer(std::int64_t at, std::int16_t value);
    int readBacking(std::int64_t at);
    int decode(const std::uint8_t* bytes, std::int64_t available) const;
    void discardWindow();

    // The source's samples of channel for frames [first, first + count), as GetSample gives
    // them, reading the storage in blocks.
    void readChannel(int channel, std::int64_t first, std::int64_t count, std::int32_t* out);

    // The frames [first, end) of the mix are n = first .. end - 1.
    void mixLiteral(TWave& source, std::int64_t startFrame, std::int64_t first, std::int64_t end,
                    double ratio, double volume, const double* gains, int channels);
    void mixBlocks(TWave& source, std::int64_t startFrame, std::int64_t first, std::int64_t end,
                   double ratio, double volume, const double* gains, int channels);
    void applyBlock(std::int64_t firstFrame, std::int64_t frames, const std::int32_t* mixed,
                    int channels);
    void applyRun(std::int64_t frame, int firstChannel, std::int64_t endFrame,
                  const std::int32_t* mixed, int channels);

    std::unique_ptr<std::uint8_t[]> buffer_;
    std::int64_t capacity_ = 0;
    std::int64_t size_ = 0;  // bytes of Data
    // File-backed mode: bytes [0, loaded_) of the window stand for the backing file's bytes
    // (LoadWindow reads lazily); [matLo_, matHi_) of them have been read into the buffer.
    // Bytes from loaded_ up to size_ were written or grown and live only in the buffer.
    std::int64_t loaded_ = 0;
    std::int64_t matLo_ = 0;
    std::int64_t matHi_ = 0;
    bool fileBacked_ = false;
    std::unique_ptr<BackingFile> backing_;
    std::int32_t windowStart_ = NoWindow;
};

}  // namespace valdorin::render
