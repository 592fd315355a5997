#include "platform/ReplaceFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <sstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A fresh folder below the system's temporary folder.
class ReplaceFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::random_device random;
    dir_ = fs::temp_directory_path() / ("zofmirel-replace-" + std::to_string(random()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The message ReplaceFile raises for `target`, or "" when it wrote "new".
  std::string Replace(const fs::path& target) {
    try {
      ReplaceFile(target.string(), [](std::ostream& out) { out << "new"; });
      return "";
    } catch (const EFileError& e) {
      return e.what();
    }
  }

  fs::path dir_;
};

}  // namespace

// Nothing but a regular file is ever replaced, also through a symbolic link: the save is
// refused with the reason before a byte is written, and the thing named stays what it was.
TEST_F(ReplaceFileTest, RefusesAnythingButARegularFile) {
  const fs::path fifo = dir_ / "pipe.xls";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(dir_ / "folder.xls");
  fs::create_symlink(fifo, dir_ / "to-pipe.xls");
  fs::create_symlink("folder.xls", dir_ / "to-folder.xls");
  fs::create_symlink("to-pipe.xls", dir_ / "to-link-to-pipe.xls");
  fs::create_symlink("loop-b.xls", dir_ / "loop-a.xls");
  fs::create_symlink("loop-a.xls", dir_ / "loop-b.xls");
  const struct {
    const char* Name;
    const char* Reason;
  } cases[] = {
      {"pipe.xls", "It is a pipe, not a regular file"},
      {"to-pipe.xls", "It is a pipe, not a regular file"},
      {"to-link-to-pipe.xls", "It is a pipe, not a regular file"},
      {"folder.xls", "It is a folder, not a regular file"},
      {"to-folder.xls", "It is a folder, not a regular file"},
      {"loop-a.xls", "Too many levels of symbolic links"},
  };
  for (const auto& c : cases) {
    const fs::path target = dir_ / c.Name;
    EXPECT_EQ(Replace(target), "Cannot create file \"" + target.string() + "\". " + c.Reason);
  }
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
  EXPECT_TRUE(fs::is_directory(fs::symlink_status(dir_ / "folder.xls")));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir_ / "to-pipe.xls")));
  EXPECT_EQ(Entries(dir_), (std::vector<std::string>{"folder.xls", "loop-a.xls", "loop-b.xls", "pipe.xls",
                                                      "to-folder.xls", "to-link-to-pipe.xls",
                                                      "to-pipe.xls"}));
}

// A symbolic link to a regular file, or to a path that does not exist yet, is followed: the
// file it names is written and the link stays a link.
TEST_F(ReplaceFileTest, FollowsLinksToRegularFilesAndNewPaths) {
  WriteText(dir_ / "book.xls", "old");
  fs::create_symlink("book.xls", dir_ / "link.xls");
  EXPECT_EQ(Replace(dir_ / "link.xls"), "");
  EXPECT_EQ(ReadText(dir_ / "book.xls"), "new");
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir_ / "link.xls")));

  fs::create_symlink("later.xls", dir_ / "dangling.xls");
  EXPECT_EQ(Replace(dir_ / "dangling.xls"), "");
  EXPECT_EQ(ReadText(dir_ / "later.xls"), "new");
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir_ / "dangling.xls")));
  EXPECT_EQ(Entries(dir_), (std::vector<std::string>{"book.xls", "dangling.xls", "later.xls", "link.xls"}));
}

// The temporary name does not grow with the target's: a name of 255 bytes, the most a file
// system allows, is saved.
TEST_F(ReplaceFileTest, TargetNamesOfAnyAllowedLengthAreSaved) {
  for (size_t length : {200u, 239u, 255u}) {
    const std::string name = std::string(length - 4, 'k') + ".xls";
    EXPECT_EQ(Replace(dir_ / name), "") << length;
    EXPECT_EQ(ReadText(dir_ / name), "new");
  }
  EXPECT_EQ(Entries(dir_).size(), 3u);
}

// A save cleans the temporary files of its own pattern that earlier saves left behind beside the
// target, but none that a save in progress holds, none written a moment ago, and nothing else.
TEST_F(ReplaceFileTest, RemovesStaleTemporariesOfItsOwnPatternOnly) {
  const auto make = [&](const std::string& name, bool old) {
    WriteText(dir_ / name, "left");
    if (old)
      fs::last_write_time(dir_ / name, fs::file_time_type::clock::now() - std::chrono::minutes(5));
  };
  make(".zofmirel-0123abcd.tmp", true);   // a save killed long ago
  make(".zofmirel-89abcdef.tmp", true);   // held by a save in progress (locked below)
  make(".zofmirel-00000001.tmp", false);  // just made by another save
  make(".zofmirel-XYZ.tmp", true);        // not the pattern
  make("book.xls.0123456789ab.tmp", true);
  const int held = ::open((dir_ / ".zofmirel-89abcdef.tmp").c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  EXPECT_EQ(Replace(dir_ / "book.xls"), "");
  ::close(held);
  EXPECT_EQ(Entries(dir_), (std::vector<std::string>{".zofmirel-00000001.tmp", ".zofmirel-89abcdef.tmp",
                                                      ".zofmirel-XYZ.tmp", "book.xls",
                                                      "book.xls.0123456789ab.tmp"}));
  EXPECT_TRUE(IsTemporaryFileName(".zofmirel-0123abcd.tmp"));
  EXPECT_FALSE(IsTemporaryFileName(".zofmirel-0123ABCD.tmp"));
  EXPECT_FALSE(IsTemporaryFileName("x.zofmirel-0123abcd.tmp"));
}

// A write that fails takes the system's reason with it, and the temporary file goes; a failure
// of the writing code itself propagates as it is.
TEST_F(ReplaceFileTest, FailuresLeaveNoTemporaryAndKeepTheOldFile) {
  WriteText(dir_ / "book.xls", "old");
  EXPECT_THROW(ReplaceFile((dir_ / "book.xls").string(),
                           [](std::ostream& out) {
                             out << "half";
                             throw std::logic_error("writer failed");
                           }),
               std::logic_error);
  EXPECT_EQ(ReadText(dir_ / "book.xls"), "old");
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"book.xls"});
}

// The output buffer keeps the system's reason of the first failed write: a full device.
TEST(TFileOutputBuffer, KeepsTheReasonOfTheFirstFailure) {
  const int fd = ::open("/dev/full", O_WRONLY);
  if (fd < 0) GTEST_SKIP() << "/dev/full is not available";
  {
    TFileOutputBuffer buffer(fd, 4096);
    std::ostream out(&buffer);
    out << std::string(10000, 'x');
    out.flush();
    EXPECT_FALSE(out);
    EXPECT_EQ(buffer.Error(), ENOSPC);
  }
  ::close(fd);

  std::random_device random;
  const fs::path file = fs::temp_directory_path() / ("zofmirel-buffer-" + std::to_string(random()));
  const int good = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(good, 0);
  {
    TFileOutputBuffer buffer(good, 16);
    std::ostream out(&buffer);
    out << "ab" << std::string(100, 'c') << 'd' << std::string(10, 'e');
    out.flush();
    EXPECT_TRUE(out);
    EXPECT_EQ(buffer.Error(), 0);
  }
  ::close(good);
  EXPECT_EQ(ReadText(file), "ab" + std::string(100, 'c') + "d" + std::string(10, 'e'));
  fs::remove(file);
}
