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

// The whole of a regular file (a device or a pipe is refused as unopenable). Raises
// "Cannot open file %s" when it cannot be opened and "Stream read error" when reading fails.
// Allocates only for what the file holds.
std::vector<std::uint8_t> readFile(const Path& path);

// The safe save: every file the program writes (pattern files, the pan file, kits, WAV files,
// songs, renders, recovery copies) goes through AtomicFileWriter or writeFileAtomic, so a
// failed or interrupted save never destroys the old file.
//
// AtomicFileWriter writes a file of any length in pieces:
//   1. The constructor creates a new hidden file beside the target, in the same directory
//      (".NAME.NNNNNN.tmp"), so that the final rename stays on one file system.
//      Raises "Cannot create file %s" (the target's path) when it cannot.
//   2. write() appends bytes, as often as needed; short writes and interruptions are retried.
//      Raises "Stream write error" when the disk refuses them.
//   3. commit() flushes the bytes to the disk, closes the file, gives it the permissions of the
//      file it replaces (if there is one; else 0644 less the umask) and renames it over the
//      target in one step. Raises "Stream write error" when the flush or close fails and
//      "Cannot create file %s" when the rename fails. After commit() the writer is spent.
// Whenever the writer ends without a successful commit() (an error, an exception in the
// caller, an early return), the file beside is removed and the target is left as it was.
//
//   fs::AtomicFileWriter out(path);
//   out.write(header);
//   for (...) out.write(block);
//   out.commit();
//
// Not copyable; one thread at a time.
class AtomicFileWriter {
  public:
    explicit AtomicFileWriter(const Path& path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(std::span<const std::uint8_t> bytes);
    void write(std::string_view bytes);
    // Bytes written so far.
    std::uint64_t size() const { return written_; }
    // The new file's open, seekable descriptor, for an encoder that writes and seeks back by
    // itself (libsndfile's FLAC header); size() counts only what write() wrote. Valid until
    // commit().
    int descriptor() const { return fd_; }
    void commit();

  private:
    void discard();

    Path path_;
    Path temp_;
    int fd_ = -1;
    std::uint64_t written_ = 0;
};

// A whole file in one piece, through AtomicFileWriter.
void writeFileAtomic(const Path& path, std::span<const std::uint8_t> bytes);
void writeFileAtomic(const Path& path, std::string_view bytes);

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
