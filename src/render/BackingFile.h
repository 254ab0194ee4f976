#pragma once
// The POSIX file I/O under TWave: positioned reads and writes retried after interruptions, and
// the backing file of file-backed mode. Not for use outside src/render.

#include <cstdint>
#include <filesystem>
#include <memory>

namespace valdorin::render {

namespace detail {

// Reads up to n bytes at pos; fewer only at the end of the file. "Stream read error".
std::int64_t preadAll(int fd, std::int64_t pos, std::uint8_t* out, std::int64_t n);
// Writes all n bytes at pos. "Stream write error".
void pwriteAll(int fd, std::int64_t pos, const std::uint8_t* bytes, std::int64_t n);
// The size of an open file. "Stream read error".
std::int64_t descriptorSize(int fd);

// Closes the descriptor it holds when it goes.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor();
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace detail

// The backing file of file-backed mode: sample bytes from its first byte, no header.
class BackingFile {
  public:
    // Creates or truncates path, open for reading and writing. "Cannot create file %s".
    static std::unique_ptr<BackingFile> create(const std::filesystem::path& path);
    ~BackingFile();
    BackingFile(const BackingFile&) = delete;
    BackingFile& operator=(const BackingFile&) = delete;

    std::int64_t size() const { return size_; }
    // Up to n bytes at pos; fewer past the end of the file.
    std::int64_t readAt(std::int64_t pos, std::uint8_t* out, std::int64_t n) const;
    // Grows the file up to pos with fill bytes (silence).
    void padTo(std::int64_t pos, std::uint8_t fill);
    // Writes bytes at pos; a gap between the end of the file and pos is filled first.
    void writeAt(std::int64_t pos, const std::uint8_t* bytes, std::int64_t n, std::uint8_t fill);

  private:
    explicit BackingFile(int fd);
    int fd_;
    std::int64_t size_;
};

}  // namespace valdorin::render
