#include "core/file_util.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tarvok {

namespace {
std::string SystemReason() {
    return std::strerror(errno);
}
}  // namespace

Status ReadWholeFile(const std::string& path, std::string& content, std::size_t maxBytes) {
    content.clear();
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return Status::Failure("is a directory");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return Status::Failure(SystemReason());
    char buffer[65536];
    Status status;
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
        content.append(buffer, got);
        if (content.size() > maxBytes) {
            status = Status::Failure("file is too large");
            break;
        }
        if (got < sizeof buffer) {
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

Status WriteFileAtomically(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".tmp~";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) return Status::Failure(SystemReason());
    Status status;
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    if (!written || std::fflush(file) != 0) status = Status::Failure(SystemReason());
    if (std::fclose(file) != 0 && status) status = Status::Failure(SystemReason());
    if (status && std::rename(temporary.c_str(), path.c_str()) != 0) {
        status = Status::Failure(SystemReason());
    }
    if (!status) std::remove(temporary.c_str());
    return status;
}

}  // namespace tarvok
