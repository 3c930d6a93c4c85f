#include "core/file_util.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace tarvok {

namespace {

std::string Reason(int error) {
    return std::strerror(error != 0 ? error : EIO);
}

std::string SystemReason() {
    return Reason(errno);
}

// Where an AtomicFileWriter puts a file: the real target (symbolic links resolved) and, when it
// exists, its permissions. Targets that are no regular files are written directly.
struct WriteTarget {
    std::string path;
    bool exists = false;
    bool direct = false;
    mode_t mode = 0;
};

Status FindWriteTarget(const std::string& path, WriteTarget& target) {
    target = {path};
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? Status() : Status::Failure(SystemReason());
    }
    target.exists = true;
    target.mode = info.st_mode & 07777;
    if (S_ISDIR(info.st_mode)) return Status::Failure("is a directory");
    if (::access(path.c_str(), W_OK) != 0) return Status::Failure(SystemReason());
    if (!S_ISREG(info.st_mode)) {
        target.direct = true;
        return {};
    }
    // Checked by the mode too: the superuser may write anything, but a read-only file is a
    // statement of its owner.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return Status::Failure("the file is read-only");
    }
    std::error_code ec;
    target.path = std::filesystem::canonical(path, ec).string();
    if (ec) return Status::Failure(ec.message());
    return {};
}

std::string TemporaryPath(const std::string& target) {
    return target + ".tmp~";
}

}  // namespace

Status ReadWholeFile(const std::string& path, std::string& content, std::size_t maxBytes) {
    content.clear();
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return Status::Failure("is a directory");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return Status::Failure(SystemReason());
    const auto tooLarge = [maxBytes](const std::string& size) {
        return Status::Failure("file is too large (" + size + "at most " +
                               std::to_string(maxBytes) + " bytes)");
    };
    Status status;
    struct stat info {};
    if (::fstat(::fileno(file), &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        status = tooLarge(std::to_string(info.st_size) + " bytes, ");
    }
    char buffer[65536];
    while (status) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
        content.append(buffer, got);
        if (content.size() > maxBytes) {
            status = tooLarge("");
        } else if (got < sizeof buffer) {
            if (std::ferror(file)) status = Status::Failure(SystemReason());
            break;
        }
    }
    std::fclose(file);
    if (!status) content.clear();
    return status;
}

std::vector<std::string_view> SplitTextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

AtomicFileWriter& AtomicFileWriter::operator=(AtomicFileWriter&& other) noexcept {
    if (this == &other) return *this;
    Discard();
    file_ = std::exchange(other.file_, nullptr);
    target_ = std::move(other.target_);
    temporary_ = std::move(other.temporary_);
    error_ = other.error_;
    other.temporary_.clear();
    return *this;
}

Status AtomicFileWriter::Open(const std::string& path) {
    Discard();
    error_ = 0;
    WriteTarget target;
    if (Status found = FindWriteTarget(path, target); !found) return found;
    const std::string written = target.direct ? target.path : TemporaryPath(target.path);
    std::FILE* file = std::fopen(written.c_str(), "wb");
    if (file == nullptr) return Status::Failure(SystemReason());
    file_ = file;
    target_ = target.path;
    if (!target.direct) temporary_ = written;
    if (target.exists && !target.direct && ::fchmod(::fileno(file), target.mode) != 0) {
        const std::string reason = SystemReason();
        Discard();
        return Status::Failure(reason);
    }
    return {};
}

void AtomicFileWriter::Write(std::string_view text) {
    if (file_ == nullptr || error_ != 0) return;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        error_ = errno != 0 ? errno : EIO;
    }
}

std::int64_t AtomicFileWriter::Size() const {
    if (file_ == nullptr) return -1;
    const long size = std::ftell(file_);
    return size < 0 ? -1 : std::int64_t{size};
}

bool AtomicFileWriter::Truncate(std::int64_t size) {
    const std::int64_t written = Size();
    if (written < 0 || size < 0 || size > written) return false;
    if (size == written) return true;
    if (std::fflush(file_) != 0 || ::ftruncate(::fileno(file_), static_cast<off_t>(size)) != 0)
        return false;
    return std::fseek(file_, static_cast<long>(size), SEEK_SET) == 0;
}

Status AtomicFileWriter::Commit() {
    if (file_ == nullptr) return Status::Failure("the file is not open");
    int error = error_;
    if (std::fflush(file_) != 0 && error == 0) error = errno;
    if (std::fclose(file_) != 0 && error == 0) error = errno;
    file_ = nullptr;
    if (error == 0 && !temporary_.empty() &&
        std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = errno;
    }
    if (error != 0 && !temporary_.empty()) std::remove(temporary_.c_str());
    temporary_.clear();
    return error == 0 ? Status() : Status::Failure(Reason(error));
}

void AtomicFileWriter::Discard() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    if (!temporary_.empty()) std::remove(temporary_.c_str());
    temporary_.clear();
}

Status WriteFileAtomically(const std::string& path, const std::string& content) {
    AtomicFileWriter writer;
    if (Status opened = writer.Open(path); !opened) return opened;
    writer.Write(content);
    return writer.Commit();
}

Status CheckWritable(const std::string& path) {
    WriteTarget target;
    if (Status found = FindWriteTarget(path, target); !found || target.direct) return found;
    // The folder must take the temporary file; trying is the only sure test.
    const std::string temporary = TemporaryPath(target.path);
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) return Status::Failure(SystemReason());
    std::fclose(file);
    std::remove(temporary.c_str());
    return {};
}

}  // namespace tarvok
