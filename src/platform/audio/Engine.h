#pragma once
// The engine under every sound device: one mixer with one pull call (Mixer::render), the output
// that drives it, the command queue from the UI thread, the garbage queue back, and the reader
// thread that fills the streams' rings from their files. Internal to the sound platform.

#include <sndfile.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/Output.h"
#include "platform/audio/SpscRing.h"

namespace valdorin::audio::detail {

constexpr int kMaxDevices = 64;
constexpr int kMaxVoices = 256;
constexpr int kMaxStreams = 128;
constexpr int kChunkFrames = 1024;
constexpr int kChunks = 32;
constexpr int kWindowFrames = 8192;
constexpr int kStreamEvents = 64;
// The fastest a stream may read its file, in file frames per output frame.
constexpr double kMaxRatio = 8.0;

// Keeps a buffer alive while the audio thread uses it. Made and deleted on the UI thread only:
// the audio thread hands it back through the garbage queue.
using Retained = std::shared_ptr<const void>;

// A kit wave converted to the output rate; never changed once made. Samples in -1..1.
struct PreparedWave {
    int channels = 1;  // 1 or 2, interleaved
    int rate = 0;
    std::int64_t frames = 0;
    std::vector<float> samples;
};

struct StreamChunk {
    std::uint32_t epoch = 0;
    std::int32_t count = 0;
    std::int64_t start = 0;  // file frame of the first frame
    bool eof = false;
    float samples[kChunkFrames * 2];
};

struct StreamEvent {
    enum class Type : std::uint8_t { Play, Stop, Seek };
    Type type = Type::Stop;
    std::int64_t frame = -1;  // output frame; -1 at once
    std::int64_t position = 0;
    std::uint32_t serial = 0;
};

// One opened file of an audio file stream. The UI thread makes it (opening the file and
// reading its head), the reader thread then owns the file handle, and the audio thread the
// play state. Replaced as a whole when another file is set.
class StreamCore {
  public:
    StreamCore(SNDFILE* file, int fileChannels, int channels, int rate, std::int64_t frames,
               std::vector<float> head, std::int64_t headFrames);
    ~StreamCore();
    StreamCore(const StreamCore&) = delete;
    StreamCore& operator=(const StreamCore&) = delete;

    // Set once.
    const int channels;  // 1 or 2 as played
    const int fileRate;
    const std::int64_t fileFrames;  // as the header says; the reader may find fewer
    const std::vector<float> head;  // the first headFrames frames, kept for instant restarts
    const std::int64_t headFrames;
    int device = 0;

    // UI thread to audio thread; heard at the next sub-block.
    std::atomic<int> frequency{0};
    std::atomic<float> gainLeft{1.0f};
    std::atomic<float> gainRight{1.0f};
    std::atomic<bool> muteWhenInactive{false};

    // Audio thread to UI thread.
    std::atomic<std::uint32_t> endedSerial{0};
    std::atomic<std::int64_t> position{0};

    // Audio thread to reader: epoch << 40 | first file frame wanted in the ring.
    std::atomic<std::uint64_t> request{0};
    SpscRing<StreamChunk> chunks{kChunks};

    bool needsReader() const { return fileFrames > headFrames; }
    // Reader thread: fills the ring while it has room.
    void serviceReader();

    // Audio thread only (whoever runs the mixer).
    struct Play {
        bool playing = false;
        double pos = 0;  // file frames
        std::uint32_t serial = 0;
        std::uint32_t epoch = 0;
        std::int64_t endFrame = 0;
        std::int64_t winStart = 0;
        int winCount = 0;
        int chunkOffset = 0;
        std::unique_ptr<float[]> window;
        StreamEvent events[kStreamEvents];
        int eventHead = 0;
        int eventCount = 0;
    } play;

  private:
    SNDFILE* file_;
    const int fileChannels_;
    std::vector<float> readBuffer_;
    std::uint32_t readerEpoch_ = ~0u;
    std::int64_t readerNext_ = 0;
    bool readerEof_ = true;
};

struct Command {
    enum class Type : std::uint8_t { StartVoice, AddStream, RemoveStream, StreamEvent, StopDevice };
    Type type = Type::StartVoice;
    std::int16_t device = 0;
    bool muteWhenInactive = false;
    std::int64_t frame = -1;  // output frame to begin at; -1 at once
    const PreparedWave* wave = nullptr;
    StreamCore* stream = nullptr;
    Retained* keep = nullptr;
    float gainLeft = 1.0f;
    float gainRight = 1.0f;
    audio::detail::StreamEvent event;
};

class Mixer {
  public:
    Mixer();
    // Fills `frames` frames of interleaved stereo. Never allocates, locks or blocks, except
    // that an offline mixer waits for stream readers (waitForReader set).
    void render(float* out, int frames);

    std::int64_t frame() const { return frame_; }
    // With no output running: silences everything and releases what the voices hold.
    void reset();
    // At the end: releases everything, the streams included.
    void releaseAll();

    SpscRing<Command> commands{4096};
    SpscRing<Retained*> garbage{8192};
    std::atomic<std::int64_t> rendered{0};
    // Offline rendering waits for stream data instead of leaving a gap.
    void (*waitForReader)() = nullptr;
    int rate = 44100;

  private:
    struct Voice {
        const PreparedWave* wave = nullptr;
        Retained* keep = nullptr;  // null: free slot
        std::int64_t pos = 0;
        std::int64_t start = 0;
        float gainLeft = 0;
        float gainRight = 0;
        int device = 0;
        bool muteWhenInactive = false;
        bool done = false;
    };
    struct StreamSlot {
        StreamCore* core = nullptr;
        Retained* keep = nullptr;
    };

    void renderBlock(float* out, int n);
    void apply(const Command& c);
    void release(Retained*& keep);
    void mixVoice(Voice& v, float* out, int n, bool muted);
    void mixStream(StreamCore& s, float* out, int n, bool active);
    void renderStream(StreamCore& s, float* out, int from, int to, bool muted);
    void applyEvent(StreamCore& s, const StreamEvent& e);
    void seek(StreamCore& s, std::int64_t position);
    void fillWindow(StreamCore& s, std::int64_t need);
    void endStream(StreamCore& s);
    void silence(StreamCore& s);

    Voice voices_[kMaxVoices];
    StreamSlot streams_[kMaxStreams];
    std::int64_t frame_ = 0;
    // Handles the garbage queue had no room for yet; returned on later blocks.
    Retained* pendingGarbage_[kMaxVoices + kMaxStreams + 64] = {};
    int pendingGarbageCount_ = 0;
    // Set while the UI thread itself runs the mixer's housekeeping (no output running): what
    // is released is deleted at once.
    bool onUiThread_ = false;
};

class Engine {
  public:
    static Engine& get();
    // False once the engine has been destroyed at program exit.
    static bool alive();
    ~Engine();

    // Makes an output for the engine; it may set the mixer's rate and the clock origin, and
    // starts driving the mixer when it is made.
    using OutputFactory = std::function<std::unique_ptr<Output>(Engine&)>;

    // UI thread.
    // Opens the output VALDORIN_AUDIO chooses, if none is open.
    void ensureOutput();
    // Replaces the output, silencing every sound.
    void install(const OutputFactory& make);
    void shutdown();
    void post(const Command& c);
    void collectGarbage();
    // The output frame a sound started now begins at; -1 at once.
    std::int64_t startFrame();
    int rate();
    int allocateDevice();
    void freeDevice(int id);

    void addReaderStream(const std::shared_ptr<StreamCore>& core);
    void removeReaderStream(const StreamCore* core);
    void wakeReader();

    OutputKind kind() const { return kind_; }
    Output* output() { return output_.get(); }
    Mixer& mixer() { return mixer_; }
    std::int64_t frameForTime(Clock::time_point t) const;
    Clock::time_point timeForFrame(std::int64_t frame) const;
    // Nanoseconds of the steady clock at which output frame 0 stands; outputs keep it current.
    std::atomic<std::int64_t> clockOrigin{0};

    std::optional<Clock::time_point> tickStamp;

  private:
    Engine();
    void startOutput(const OutputFactory& make);
    void stopOutput();
    void readerLoop();

    Mixer mixer_;
    std::unique_ptr<Output> output_;
    OutputKind kind_ = OutputKind::None;
    int rate_ = 44100;
    std::deque<Command> overflow_;
    bool deviceUsed_[kMaxDevices] = {};

    std::mutex readerMutex_;
    std::condition_variable readerWake_;
    std::vector<std::shared_ptr<StreamCore>> readerStreams_;
    bool readerStop_ = false;
    std::thread reader_;
};

extern std::atomic<bool> g_applicationActive;

// Converts a kit wave's PCM image to the output rate; nullptr for a wave that cannot play.
std::shared_ptr<const PreparedWave> prepareWave(int formatTag, int channels, int rate, int bits,
                                                int blockAlign, const std::uint8_t* data,
                                                std::size_t size, int outputRate);

}  // namespace valdorin::audio::detail
