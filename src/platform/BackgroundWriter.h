#pragma once
// Keeps one file up to date from a thread of its own, so that the thread handing over the
// contents never waits for the disk (a file write with its flush to disk can take long enough
// to delay a playback step).
//
// write() hands over the newest contents and returns at once; remove() asks for the file to
// go. A job in progress finishes first; jobs handed over meanwhile replace each other, so only
// the newest is done. Writes go through fs::writeFileAtomic: the old file stays whole until
// the new one is complete.

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/FileSystem.h"

namespace valdorin::fs {

class BackgroundWriter {
  public:
    explicit BackgroundWriter(Path path);
    // Does what is still pending, then ends the thread.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    const Path& path() const { return path_; }
    void write(std::string bytes);
    void remove();
    // Waits until every job handed over so far is done.
    void flush();
    // Drops what is pending, waits for a job in progress and ends the thread; later jobs are
    // ignored. The file is left as the last job left it.
    void stop();
    // The message of the last job that failed; empty once a later job succeeds.
    std::string lastError() const;

  private:
    struct Job {
        bool remove = false;
        std::string bytes;
    };
    void post(Job job);
    void run();

    const Path path_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<Job> pending_;
    bool busy_ = false;
    bool stopping_ = false;
    std::string error_;
    std::thread thread_;
};

}  // namespace valdorin::fs
