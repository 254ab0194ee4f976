#pragma once
// The sound platform seen from tests and benchmarks: capture outputs that render into memory,
// and what the shared output is. UI thread only, unless a function says otherwise.
//
// Tests install a capture output instead of the device, which renders into memory:
//   audio::installCaptureOutput(48000);            // offline: nothing plays until...
//   auto block = audio::renderCapture(4800);       // ...the test renders, interleaved L R
// Sounds started between two renderCapture calls begin at the first frame of the next render,
// or, inside a TickScope, at the frame of the tick's nominal time (see captureTimeForFrame).
// installPacedCaptureOutput renders from a thread at real-time pace and keeps everything it
// rendered (capturedSoFar), so the real timers can be measured against it.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/Output.h"

namespace valdorin::audio {

// Replaces the shared output, silencing every sound; frame 0 is the moment of the call.
void installCaptureOutput(int rate);
void installPacedCaptureOutput(int rate, int blockFrames = 256);
// Back to the output VALDORIN_AUDIO chooses.
void installDefaultOutput();
// Closes the output (the next sound device to start opens it again).
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

// What the timers last told the sound platform (setApplicationActive). Any thread.
bool applicationIsActive();

}  // namespace valdorin::audio
