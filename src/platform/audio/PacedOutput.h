#pragma once
// The output without a sound card: renders from a thread of its own at real-time pace. The
// null output discards the sound; the paced capture (tests) keeps what it rendered.

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "platform/audio/Engine.h"

namespace valdorin::audio::detail {

class PacedOutput final : public Output {
  public:
    // `keep`: hold the first two minutes of what is rendered (captured()).
    PacedOutput(Engine& engine, OutputKind kind, int rate, int block, bool keep);
    ~PacedOutput() override;

    void stop() override;
    // Interleaved stereo from frame 0.
    std::vector<float> captured() const;

  private:
    void run();

    Engine& engine_;
    std::int64_t origin_ = 0;
    std::vector<float> scratch_;
    std::unique_ptr<float[]> store_;
    std::int64_t capacity_ = 0;
    std::atomic<std::int64_t> kept_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace valdorin::audio::detail
