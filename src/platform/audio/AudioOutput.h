#pragma once
// The one output shared by every sound device, and the hooks through which tests and the timers
// reach it. UI thread only, unless a function says otherwise.
//
// The output is chosen when the first sound device starts: VALDORIN_AUDIO=portaudio (the
// default) opens the default PortAudio output, and falls back silently to the null output when
// there is no output device or it cannot be opened; VALDORIN_AUDIO=null takes the null output
// at once. The null output runs the mixer from a thread at real-time pace and discards the
// sound, so sounds start, play and end as they would on a sound card.
//
// Tests install a capture output instead, which renders into memory:
//   audio::installCaptureOutput(48000);            // offline: nothing plays until...
//   auto block = audio::renderCapture(4800);       // ...the test renders, interleaved L R
// Sounds started between two renderCapture calls begin at the first frame of the next render,
// or, inside a TickScope, at the frame of the tick's nominal time (see captureTimeForFrame).
// installPacedCaptureOutput renders from a thread at real-time pace and keeps everything it
// rendered (capturedSoFar), so the real timers can be measured against it.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace valdorin::audio {

using Clock = std::chrono::steady_clock;

enum class OutputKind { None, PortAudio, Null, Capture, PacedCapture };

// Replaces the shared output, silencing every sound; frame 0 is the moment of the call.
void installCaptureOutput(int rate);
void installPacedCaptureOutput(int rate, int blockFrames = 256);
// Back to the output VALDORIN_AUDIO chooses.
void installDefaultOutput();
// Closes the output (at program end; the next sound device to start opens it again).
void shutdownOutput();

OutputKind outputKind();
// Frames per second of the output (the mixer's rate).
int outputRate();
// Frames per buffer the output is driven with.
int outputBlockFrames();
// Frames from the moment a sound is started until it is rendered, at the most: sounds of a
// timer tick are placed this far after the tick's nominal time.
int outputLatencyFrames();
// The device's own latency after rendering, in seconds (0 without a device).
double deviceLatencySeconds();
std::string outputDescription();

// Offline capture only: renders the next `frames` frames on the calling thread and returns
// them, interleaved stereo. Streams' readers are waited for, so the result is deterministic.
std::vector<float> renderCapture(int frames);
// Paced capture only: what was rendered so far, interleaved stereo from frame 0 (at most the
// first two minutes).
std::vector<float> capturedSoFar();
// Frames rendered so far (any output).
std::int64_t renderedFrames();
// The time a frame of the capture output stands for, for placing sounds through a TickScope.
Clock::time_point captureTimeForFrame(std::int64_t frame);

// Sounds started while a TickScope lives are placed at the output frame of `nominal` (plus the
// output's latency) instead of at once. Set by the timers around their ticks; nests.
class TickScope {
  public:
    explicit TickScope(Clock::time_point nominal);
    ~TickScope();
    TickScope(const TickScope&) = delete;
    TickScope& operator=(const TickScope&) = delete;

  private:
    bool hadStamp_;
    Clock::time_point previous_;
};
// The nominal time of the tick being delivered, if any.
std::optional<Clock::time_point> currentTickStamp();
// How late a tick may come and still have its sounds placed at its nominal time. A timer
// that is later than this re-anchors its grid at the present.
Clock::duration tickSlack();

// Whether the program is the active application; devices without global focus are muted while
// it is not. Any thread; set by the UI side (the timers keep it up to date).
void setApplicationActive(bool active);
bool applicationIsActive();

}  // namespace valdorin::audio
