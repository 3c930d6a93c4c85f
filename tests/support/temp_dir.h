#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tarvok::test {

// A folder of its own for the running test, removed with the object.
class TempDir {
public:
    TempDir() {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name) {
            if (c == '/') c = '_';  // parameterized tests
        }
        path_ = std::filesystem::temp_directory_path() /
                ("tarvok_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Dir() const { return path_; }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }
    // Writes `content` to the file `name` in the folder and returns its path.
    std::string Write(const std::string& name, const std::string& content) const {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path path_;
};

}  // namespace tarvok::test
