#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "core/Errors.h"
#include "core/Text.h"

namespace valdorin::fs {

Path pathFromText(std::string_view text) {
    return Path(toUtf8(text));
}

std::string textFromPath(const Path& path) {
    return fromUtf8(path.string());
}

namespace {

std::vector<Path> sortedEntries(const Path& dir) {
    std::vector<Path> entries;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir.empty() ? Path(".") : dir, ec), end;
         !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

}  // namespace

std::optional<Path> findCaseBlind(const Path& dir, std::string_view name) {
    std::error_code ec;
    const Path exact = dir / Path(std::string(name));
    if (std::filesystem::exists(exact, ec))
        return exact;
    const std::string wanted = fromUtf8(name);
    for (const auto& entry : sortedEntries(dir))
        if (sameText(fromUtf8(entry.filename().string()), wanted))
            return entry;
    return std::nullopt;
}

Path resolveCaseBlind(const Path& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        return path;
    const Path parent = path.has_parent_path() ? path.parent_path() : Path(".");
    if (auto found = findCaseBlind(parent, path.filename().string())) {
        return path.has_parent_path() ? *found : Path(found->filename());
    }
    return path;
}

std::vector<std::string> listWithExtension(const Path& dir, std::string_view ext) {
    std::vector<std::string> names;
    const std::string wanted = fromUtf8(ext);
    for (const auto& entry : sortedEntries(dir)) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(entry, ec))
            continue;
        const std::string name = entry.filename().string();
        if (name.size() >= wanted.size() &&
            sameText(fromUtf8(name.substr(name.size() - wanted.size())), wanted))
            names.push_back(name);
    }
    return names;
}

bool fileExists(const Path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::vector<std::uint8_t> readFile(const Path& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    std::ifstream in;
    // Only regular files: a device or a pipe could block the open or feed bytes for ever.
    if (!ec && std::filesystem::is_regular_file(status))
        in.open(path, std::ios::binary);
    if (!in.is_open())
        throwCannotOpen(textFromPath(path));
    std::vector<std::uint8_t> bytes;
    // The size only sizes the first allocation: what is read is what the file holds.
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec)
        bytes.reserve(std::min<std::uintmax_t>(size, std::uintmax_t{1} << 26));
    char chunk[1 << 16];
    while (in) {
        in.read(chunk, sizeof chunk);
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    }
    if (in.bad())
        throw Error("Stream read error");
    return bytes;
}

AtomicFileWriter::AtomicFileWriter(const Path& path) : path_(path) {
    static std::mt19937_64 rng{std::random_device{}()};
    const Path dir = path.has_parent_path() ? path.parent_path() : Path(".");
    // A name already taken (a leftover of a crash) is passed over for another.
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        temp_ =
            dir / ("." + path.filename().string() + "." + std::to_string(rng() % 1000000) + ".tmp");
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0)
        throwCannotCreate(textFromPath(path));
}

AtomicFileWriter::~AtomicFileWriter() {
    discard();
}

void AtomicFileWriter::discard() {
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    ::unlink(temp_.c_str());
}

void AtomicFileWriter::write(std::span<const std::uint8_t> bytes) {
    write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void AtomicFileWriter::write(std::string_view bytes) {
    if (fd_ < 0)
        throw Error("Stream write error");
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            discard();
            throw Error("Stream write error");
        }
        done += static_cast<std::size_t>(n);
    }
    written_ += done;
}

void AtomicFileWriter::commit() {
    if (fd_ < 0)
        throw Error("Stream write error");
    const bool synced = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed) {
        ::unlink(temp_.c_str());
        throw Error("Stream write error");
    }
    // Keep the permissions of the file being replaced.
    std::error_code ec;
    const auto status = std::filesystem::status(path_, ec);
    if (!ec && std::filesystem::exists(status))
        std::filesystem::permissions(temp_, status.permissions(), ec);
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        ::unlink(temp_.c_str());
        throwCannotCreate(textFromPath(path_));
    }
}

void writeFileAtomic(const Path& path, std::span<const std::uint8_t> bytes) {
    AtomicFileWriter out(path);
    out.write(bytes);
    out.commit();
}

void writeFileAtomic(const Path& path, std::string_view bytes) {
    AtomicFileWriter out(path);
    out.write(bytes);
    out.commit();
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> readLines(const Path& path) {
    const auto bytes = readFile(path);
    return splitLines(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void writeLines(const Path& path, const std::vector<std::string>& lines) {
    writeFileAtomic(path, joinLines(lines));
}

bool copyFile(const Path& from, const Path& to, bool overwrite) {
    std::error_code ec;
    const auto option = overwrite ? std::filesystem::copy_options::overwrite_existing
                                  : std::filesystem::copy_options::none;
    return std::filesystem::copy_file(from, to, option, ec) && !ec;
}

bool removeFile(const Path& path) {
    std::error_code ec;
    return std::filesystem::remove(path, ec) && !ec;
}

}  // namespace valdorin::fs
