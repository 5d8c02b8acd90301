// Whole files and temporary folders: every byte read back, nothing for what
// cannot be read, and a folder that is new, empty and gone afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "files/files.h"

namespace tasc::files {
namespace {

namespace fs = std::filesystem;

const std::string kBytes("line\r\nnul\0and\xff\x1a end", 19);

TEST(Files, WholeFileReadsBackEveryByteOrNothing) {
  const TempFolder t("tasc-files-test-");
  const fs::path file = t.path() / "bytes.bin";
  ASSERT_TRUE(writeWholeFile(file, kBytes));
  EXPECT_EQ(readWholeFile(file), kBytes);
  EXPECT_EQ(readWholeFileNarrow(file.string()), kBytes);
  ASSERT_TRUE(writeWholeFile(file, "x"));
  EXPECT_EQ(readWholeFile(file), "x") << "a write replaces the whole file";
  ASSERT_TRUE(writeWholeFile(file, ""));
  EXPECT_EQ(readWholeFile(file), "") << "an empty file is text, not nothing";
  // A folder opens on POSIX but cannot be read: it was taken for an empty file.
  EXPECT_EQ(readWholeFile(t.path()), std::nullopt);
  EXPECT_EQ(readWholeFileNarrow(t.path().string()), std::nullopt);
  EXPECT_EQ(readWholeFile(t.path() / "missing"), std::nullopt);
  EXPECT_EQ(readAll(nullptr), std::nullopt);
  EXPECT_FALSE(writeWholeFile(t.path() / "no" / "folder", "x"));
}

TEST(Files, TempFoldersAreNewEmptyAndRemovedWithTheirContent) {
  fs::path first, second;
  {
    const TempFolder a("tasc-files-test-");
    const TempFolder b("tasc-files-test-");
    first = a.path();
    second = b.path();
    EXPECT_NE(first, second);
    EXPECT_EQ(first.parent_path(), fs::temp_directory_path());
    EXPECT_EQ(first.filename().string().rfind("tasc-files-test-", 0), 0u) << first;
    EXPECT_TRUE(fs::is_empty(first));
    fs::create_directories(first / "sub");
    ASSERT_TRUE(writeWholeFile(first / "sub" / "f", "x"));
  }
  EXPECT_FALSE(fs::exists(first));
  EXPECT_FALSE(fs::exists(second));
}

}  // namespace
}  // namespace tasc::files
