#include "platform/FileSystem.h"

#include <algorithm>
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
    std::ifstream in(path, std::ios::binary);
    std::error_code ec;
    // Only regular files: a device or a pipe could be read for ever.
    if (!in || !std::filesystem::is_regular_file(path, ec))
        throwCannotOpen(textFromPath(path));
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    return bytes;
}

void writeFileAtomic(const Path& path, std::span<const std::uint8_t> bytes) {
    writeFileAtomic(path,
                    std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void writeFileAtomic(const Path& path, std::string_view bytes) {
    static std::mt19937_64 rng{std::random_device{}()};
    const Path dir = path.has_parent_path() ? path.parent_path() : Path(".");
    const Path temp =
        dir / ("." + path.filename().string() + "." + std::to_string(rng() % 1000000) + ".tmp");
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        throwCannotCreate(textFromPath(path));
    std::size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (::close(fd) != 0)
        ok = false;
    if (!ok) {
        ::unlink(temp.c_str());
        throw Error("Stream write error");
    }
    // Keep the permissions of the file being replaced.
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!ec && std::filesystem::exists(status))
        std::filesystem::permissions(temp, status.permissions(), ec);
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        throwCannotCreate(textFromPath(path));
    }
}

AtomicWriter::AtomicWriter(const Path& target) : target_(target) {
    static std::mt19937_64 rng{std::random_device{}()};
    const Path dir = target.has_parent_path() ? target.parent_path() : Path(".");
    temp_ =
        dir / ("." + target.filename().string() + "." + std::to_string(rng() % 1000000) + ".tmp");
    fd_ = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0)
        throwCannotCreate(textFromPath(target));
}

AtomicWriter::~AtomicWriter() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temp_.c_str());
    }
}

void AtomicWriter::commit() {
    const bool synced = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed) {
        ::unlink(temp_.c_str());
        throw Error("Stream write error");
    }
    std::error_code ec;
    const auto status = std::filesystem::status(target_, ec);
    if (!ec && std::filesystem::exists(status))
        std::filesystem::permissions(temp_, status.permissions(), ec);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        ::unlink(temp_.c_str());
        throwCannotCreate(textFromPath(target_));
    }
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
