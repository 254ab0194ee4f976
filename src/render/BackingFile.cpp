#include "render/BackingFile.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "render/WaveDetail.h"

namespace valdorin::render {

namespace detail {

// Positioned reads and writes on an open descriptor, retried after interruptions.
int64_t preadAll(int fd, int64_t pos, uint8_t* out, int64_t n) {
    int64_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd, out + done, static_cast<size_t>(n - done), pos + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throwReadError();
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

void pwriteAll(int fd, int64_t pos, const uint8_t* bytes, int64_t n) {
    int64_t done = 0;
    while (done < n) {
        const ssize_t put = ::pwrite(fd, bytes + done, static_cast<size_t>(n - done), pos + done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throwWriteError();
        done += put;
    }
}

Descriptor::~Descriptor() {
    if (fd_ >= 0)
        ::close(fd_);
}

int64_t descriptorSize(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throwReadError();
    return st.st_size;
}

}  // namespace detail

using namespace detail;

std::unique_ptr<BackingFile> BackingFile::create(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throwCannotCreate(fs::textFromPath(path));
    return std::unique_ptr<BackingFile>(new BackingFile(fd));
}

BackingFile::BackingFile(int fd) : fd_(fd), size_(descriptorSize(fd)) {}

BackingFile::~BackingFile() {
    ::close(fd_);
}

std::int64_t BackingFile::readAt(std::int64_t pos, std::uint8_t* out, std::int64_t n) const {
    if (pos >= size_ || n <= 0)
        return 0;
    return preadAll(fd_, pos, out, std::min(n, size_ - pos));
}

void BackingFile::padTo(std::int64_t pos, std::uint8_t fill) {
    if (pos <= size_)
        return;
    std::vector<uint8_t> block(static_cast<size_t>(std::min(pos - size_, kCopyBlock)), fill);
    while (size_ < pos) {
        const int64_t n = std::min<int64_t>(pos - size_, static_cast<int64_t>(block.size()));
        pwriteAll(fd_, size_, block.data(), n);
        size_ += n;
    }
}

void BackingFile::writeAt(std::int64_t pos, const std::uint8_t* bytes, std::int64_t n,
                          std::uint8_t fill) {
    if (n <= 0)
        return;
    padTo(pos, fill);
    pwriteAll(fd_, pos, bytes, n);
    size_ = std::max(size_, pos + n);
}

}  // namespace valdorin::render
