#include <gtest/gtest.h>

#include <filesystem>

#include "core/file_util.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

TEST(FileUtil, ReadRefusesMissingDirectoriesAndTooLargeFiles) {
    const test::TempDir temp;
    const std::string file = temp.Write("data.bin", std::string(20, 'x'));
    std::string content;
    EXPECT_TRUE(ReadWholeFile(file, content, 20));
    EXPECT_EQ(content.size(), 20u);
    const Status tooLarge = ReadWholeFile(file, content, 19);
    EXPECT_FALSE(tooLarge);
    EXPECT_EQ(tooLarge.Reason(), "file is too large");
    EXPECT_TRUE(content.empty());
    EXPECT_EQ(ReadWholeFile(temp.Dir().string(), content).Reason(), "is a directory");
    const Status missing = ReadWholeFile(temp.Path("missing"), content);
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.Reason(), "No such file or directory");
}

TEST(FileUtil, AtomicWriteReplacesOnlyWhenComplete) {
    const test::TempDir temp;
    const std::string file = temp.Path("out.txt");
    ASSERT_TRUE(WriteFileAtomically(file, "first"));
    ASSERT_TRUE(WriteFileAtomically(file, "second"));
    EXPECT_EQ(test::TempDir::Read(file), "second");
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp~"));
    const Status failed = WriteFileAtomically(temp.Path("no/such/dir.txt"), "x");
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.Reason(), "No such file or directory");
}

}  // namespace
}  // namespace tarvok
