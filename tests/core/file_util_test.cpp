#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/file_util.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

namespace fs = std::filesystem;

TEST(FileUtil, ReadRefusesMissingDirectoriesAndTooLargeFiles) {
    const test::TempDir temp;
    const std::string file = temp.Write("data.bin", std::string(20, 'x'));
    std::string content;
    EXPECT_TRUE(ReadWholeFile(file, content, 20));
    EXPECT_EQ(content.size(), 20u);
    const Status tooLarge = ReadWholeFile(file, content, 19);
    EXPECT_FALSE(tooLarge);
    EXPECT_EQ(tooLarge.Reason(), "file is too large (20 bytes, at most 19 bytes)");
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
    EXPECT_FALSE(fs::exists(file + ".tmp~"));
    const Status failed = WriteFileAtomically(temp.Path("no/such/dir.txt"), "x");
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.Reason(), "No such file or directory");

    AtomicFileWriter abandoned;
    ASSERT_TRUE(abandoned.Open(file));
    abandoned.Write("third");
    abandoned.Discard();
    EXPECT_EQ(test::TempDir::Read(file), "second");
    EXPECT_FALSE(fs::exists(file + ".tmp~"));
}

TEST(FileUtil, AtomicWriteCanBeCutBackAndGoesOnFromThere) {
    const test::TempDir temp;
    const std::string file = temp.Path("out.txt");
    AtomicFileWriter writer;
    EXPECT_EQ(writer.Size(), -1);
    EXPECT_FALSE(writer.Truncate(0));
    ASSERT_TRUE(writer.Open(file));
    writer.Write("abcdef");
    EXPECT_EQ(writer.Size(), 6);
    EXPECT_FALSE(writer.Truncate(7));  // only back
    EXPECT_TRUE(writer.Truncate(3));
    EXPECT_EQ(writer.Size(), 3);
    writer.Write("XY");
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(test::TempDir::Read(file), "abcXY");
}

TEST(FileUtil, ReadOnlyFilesStayAndReplacedFilesKeepTheirMode) {
    const test::TempDir temp;
    const std::string locked = temp.Write("locked.hex", "old");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read);
    const Status refused = WriteFileAtomically(locked, "new");
    EXPECT_FALSE(refused);
    EXPECT_FALSE(refused.Reason().empty());
    EXPECT_FALSE(CheckWritable(locked));
    EXPECT_EQ(test::TempDir::Read(locked), "old");
    EXPECT_EQ(fs::status(locked).permissions(), fs::perms::owner_read | fs::perms::group_read);

    const std::string shared = temp.Write("shared.hex", "old");
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::group_write;
    fs::permissions(shared, mode);
    ASSERT_TRUE(WriteFileAtomically(shared, "new"));
    EXPECT_EQ(fs::status(shared).permissions(), mode);

    // A link keeps naming its file, which gets the new content.
    const std::string link = temp.Path("link.hex");
    fs::create_symlink(shared, link);
    ASSERT_TRUE(WriteFileAtomically(link, "newer"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(test::TempDir::Read(shared), "newer");
}

TEST(FileUtil, CheckWritableTriesWithoutLeavingAnything) {
    const test::TempDir temp;
    const std::string file = temp.Path("new.pia");
    EXPECT_TRUE(CheckWritable(file));
    EXPECT_TRUE(fs::is_empty(temp.Dir()));
    EXPECT_EQ(CheckWritable(temp.Path("none/new.pia")).Reason(), "No such file or directory");
    EXPECT_EQ(CheckWritable(temp.Dir().string()).Reason(), "is a directory");
    EXPECT_TRUE(CheckWritable("/dev/null")) << "written directly, not replaced";
}

}  // namespace
}  // namespace tarvok
