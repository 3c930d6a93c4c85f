#include <gtest/gtest.h>

#include <filesystem>

#include "core/file_util.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

TEST(FileUtil, ReadRefusesMissingDirectoriesAndTooLargeFiles) {
    const test::TempDir temp;
    const std::string file = temp.Write("data.bin", std::string(20, 'x'));
    std::string content, error;
    EXPECT_TRUE(ReadWholeFile(file, content, error, 20));
    EXPECT_EQ(content.size(), 20u);
    EXPECT_FALSE(ReadWholeFile(file, content, error, 19));
    EXPECT_EQ(error, "file is too large");
    EXPECT_TRUE(content.empty());
    EXPECT_FALSE(ReadWholeFile(temp.Dir().string(), content, error));
    EXPECT_FALSE(ReadWholeFile(temp.Path("missing"), content, error));
    EXPECT_FALSE(error.empty());
}

TEST(FileUtil, AtomicWriteReplacesOnlyWhenComplete) {
    const test::TempDir temp;
    const std::string file = temp.Path("out.txt");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(file, "first", error));
    ASSERT_TRUE(WriteFileAtomically(file, "second", error));
    EXPECT_EQ(test::TempDir::Read(file), "second");
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp~"));
    EXPECT_FALSE(WriteFileAtomically(temp.Path("no/such/dir.txt"), "x", error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tarvok
