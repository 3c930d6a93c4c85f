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

bool ReadWholeFile(const std::string& path, std::string& content, std::string& error,
                   std::size_t maxBytes) {
    content.clear();
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "is a directory";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = SystemReason();
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
        content.append(buffer, got);
        if (content.size() > maxBytes) {
            error = "file is too large";
            ok = false;
            break;
        }
        if (got < sizeof buffer) {
            if (std::ferror(file)) {
                error = SystemReason();
                ok = false;
            }
            break;
        }
    }
    std::fclose(file);
    if (!ok) content.clear();
    return ok;
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

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error) {
    const std::string temporary = path + ".tmp~";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        error = SystemReason();
        return false;
    }
    bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    ok = (std::fflush(file) == 0) && ok;
    if (!ok) error = SystemReason();
    if (std::fclose(file) != 0 && ok) {
        error = SystemReason();
        ok = false;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = SystemReason();
        ok = false;
    }
    if (!ok) std::remove(temporary.c_str());
    return ok;
}

}  // namespace tarvok
