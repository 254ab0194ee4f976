#pragma once
// The program's file layer. Paths are std::filesystem paths (UTF-8 on disk); program text is
// Windows-1252 (core/Text.h), converted with pathFromText / textFromPath.
//
// Names the program treats without regard to letter case ("Blank.wav" and "blank.wav", "*.pat",
// kit names) are found through findCaseBlind, the one place that looks a name up that way.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace valdorin::fs {

using Path = std::filesystem::path;

Path pathFromText(std::string_view text);
std::string textFromPath(const Path& path);

// The entry of dir whose name equals name: exactly if such a file exists, otherwise the first
// (in name order) that equals it ignoring letter case. nullopt if none.
std::optional<Path> findCaseBlind(const Path& dir, std::string_view name);
// A path resolved case-blind in its parent directory when the exact one does not exist;
// the path itself when nothing matches.
Path resolveCaseBlind(const Path& path);

// Names of the regular files of dir whose extension equals ext (with its dot, such as ".pat")
// ignoring letter case, in name order.
std::vector<std::string> listWithExtension(const Path& dir, std::string_view ext);

bool fileExists(const Path& path);

// Whole-file reads and writes. Failures raise "Cannot open file %s" / "Cannot create file %s".
std::vector<std::uint8_t> readFile(const Path& path);
// Writes beside the target and renames over it, so the old file stays whole until the new one
// is complete.
void writeFileAtomic(const Path& path, std::span<const std::uint8_t> bytes);
void writeFileAtomic(const Path& path, std::string_view bytes);

// The same safe save for a file written in pieces (an encoder's stream): a new file beside the
// target, renamed over it by commit(). Destroyed without commit(), it leaves the target as it
// was and removes the unfinished file. Raises "Cannot create file %s".
class AtomicWriter {
  public:
    explicit AtomicWriter(const Path& target);
    ~AtomicWriter();
    AtomicWriter(const AtomicWriter&) = delete;
    AtomicWriter& operator=(const AtomicWriter&) = delete;

    // The open, seekable descriptor of the new file, valid until commit().
    int descriptor() const { return fd_; }
    // Flushes the file to disk, gives it the old file's permissions and renames it over the
    // target. Raises "Stream write error" when the data did not reach the disk.
    void commit();

  private:
    Path target_;
    Path temp_;
    int fd_ = -1;
};

// Text files of the program: one value per line, every line ended by CR LF. Reading accepts
// LF alone too, and a last line without an ending.
std::vector<std::string> readLines(const Path& path);
void writeLines(const Path& path, const std::vector<std::string>& lines);
std::string joinLines(const std::vector<std::string>& lines);
std::vector<std::string> splitLines(std::string_view text);

// Copies a file; with overwrite false an existing target is left alone and false is returned.
bool copyFile(const Path& from, const Path& to, bool overwrite);
// Removes a file; false when it could not be removed (a missing file included).
bool removeFile(const Path& path);

}  // namespace valdorin::fs
