#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/status.h"

namespace tarvok {

// Reads a whole file. Fails (with the reason) on a missing or unreadable file or one larger than
// maxBytes, which is checked before anything is read; `content` is then empty.
Status ReadWholeFile(const std::string& path, std::string& content,
                     std::size_t maxBytes = 64u << 20);

// Splits text into lines at CR LF, LF or CR; a last line without an ending counts too.
std::vector<std::string_view> SplitTextLines(std::string_view text);

// Writes a file through a temporary file beside it, which replaces the file only on Commit, so a
// failed or abandoned write never leaves a half-written file in place of a good one. Open refuses
// what could not be replaced (a read-only file, a directory, a folder that cannot be written) with
// the operating system's reason. A replaced file keeps its permissions; a symbolic link keeps
// pointing at the file it names. Targets that are no regular files (a terminal, /dev/null) are
// written directly.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter() { Discard(); }
    AtomicFileWriter(AtomicFileWriter&& other) noexcept { *this = std::move(other); }
    AtomicFileWriter& operator=(AtomicFileWriter&& other) noexcept;
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    Status Open(const std::string& path);
    // Appends text; the first failure is kept and reported by Commit.
    void Write(std::string_view text);
    // Bytes written so far, or -1 when closed or when the target cannot tell (a terminal).
    std::int64_t Size() const;
    // Drops everything after the first `size` bytes written, so that writing goes on from there.
    // False (and nothing changed) when the target cannot be cut back (a terminal) or is closed.
    bool Truncate(std::int64_t size);
    // Completes the file and puts it in place; the writer is closed either way.
    Status Commit();
    // Closes the writer and removes the temporary file; the target stays as it was.
    void Discard();

private:
    std::FILE* file_ = nullptr;
    std::string target_;
    std::string temporary_;  // empty when writing directly
    int error_ = 0;          // errno of the first failed write
};

// Writes `content` with an AtomicFileWriter.
Status WriteFileAtomically(const std::string& path, const std::string& content);

// Whether `path` could be written by an AtomicFileWriter now (tried, then left as it was).
Status CheckWritable(const std::string& path);

}  // namespace tarvok
