#include "platform/BackgroundWriter.h"

#include <exception>

namespace valdorin::fs {

BackgroundWriter::BackgroundWriter(Path path) : path_(std::move(path)) {
    thread_ = std::thread([this] { run(); });
}

BackgroundWriter::~BackgroundWriter() {
    flush();
    stop();
}

void BackgroundWriter::write(std::string bytes) {
    post({false, std::move(bytes)});
}

void BackgroundWriter::remove() {
    post({true, {}});
}

void BackgroundWriter::post(Job job) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        pending_ = std::move(job);
    }
    wake_.notify_one();
}

void BackgroundWriter::flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return stopping_ || (!pending_ && !busy_); });
}

void BackgroundWriter::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        pending_.reset();
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

std::string BackgroundWriter::lastError() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void BackgroundWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || pending_; });
        if (stopping_)
            break;
        Job job = std::move(*pending_);
        pending_.reset();
        busy_ = true;
        lock.unlock();
        std::string error;
        try {
            if (job.remove)
                removeFile(path_);
            else
                writeFileAtomic(path_, job.bytes);
        } catch (const std::exception& e) {
            error = e.what();
        }
        lock.lock();
        busy_ = false;
        error_ = std::move(error);
        idle_.notify_all();
    }
    busy_ = false;
    idle_.notify_all();
}

}  // namespace valdorin::fs
