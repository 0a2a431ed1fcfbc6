#include "io/safe_replace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

size_t EntryCount(const fs::path& dir) {
  return size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

time_t Mtime(const fs::path& path) {
  struct stat st;
  stat(path.c_str(), &st);
  return st.st_mtim.tv_sec;
}

// Both writers share one replace: each case runs through each of them.
bool Write(bool copy, const TempDir& tmp, const fs::path& target, const std::string& bytes,
           std::string* err) {
  if (!copy) return WriteFileAtomic(target, bytes, err);
  const fs::path source = tmp / "source.htm";
  WriteFile(source, bytes);
  chmod(source.c_str(), 0600);
  return CopyFileKeepDate(source.string(), target.string(), err);
}

TEST(SafeReplace, ReplacesContentKeepingModeAndSymbolicLinks) {
  for (bool copy : {false, true}) {
    TempDir tmp;
    const fs::path dir = tmp / "d";
    WriteFile(dir / "page.htm", "old content that is longer");
    chmod((dir / "page.htm").c_str(), 0640);
    fs::create_symlink("page.htm", dir / "link.htm");
    std::string err;
    ASSERT_TRUE(Write(copy, tmp, dir / "link.htm", "new", &err)) << err;
    EXPECT_EQ(ReadFile(dir / "page.htm"), "new") << copy;
    EXPECT_TRUE(fs::is_symlink(dir / "link.htm")) << copy;
    EXPECT_EQ(fs::status(dir / "page.htm").permissions(), fs::perms(0640)) << copy;
    EXPECT_EQ(EntryCount(dir), 2u) << copy;  // no temporary file left behind
  }
}

TEST(SafeReplace, RefusesWhatCannotBeWrittenAndLeavesItAlone) {
  const struct {
    const char* Name;
    mode_t FileMode, DirMode;
    const char* Subdir;
  } cases[] = {
      {"read-only file", 0444, 0755, ""},
      {"read-only directory", 0644, 0555, ""},
      {"missing directory", 0644, 0755, "missing"},
  };
  for (bool copy : {false, true}) {
    for (const auto& c : cases) {
      TempDir tmp;
      const fs::path dir = tmp / "d";
      WriteFile(dir / "f.ini", "original\r\n");
      chmod((dir / "f.ini").c_str(), c.FileMode);
      chmod(dir.c_str(), c.DirMode);
      std::string err;
      EXPECT_FALSE(Write(copy, tmp, dir / c.Subdir / "f.ini", "changed", &err)) << c.Name;
      EXPECT_FALSE(err.empty()) << c.Name;
      EXPECT_EQ(ReadFile(dir / "f.ini"), "original\r\n") << c.Name;
      EXPECT_EQ(EntryCount(dir), 1u) << c.Name;
    }
  }
}

TEST(SafeReplace, CopyTakesTheSourcesDateAndANewFileItsMode) {
  TempDir tmp;
  WriteFile(tmp / "page.htm", "text");
  chmod((tmp / "page.htm").c_str(), 0604);
  const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  utimensat(AT_FDCWD, (tmp / "page.htm").c_str(), times, 0);
  std::string err;
  ASSERT_TRUE(CopyFileKeepDate((tmp / "page.htm").string(), (tmp / "new.htm").string(), &err))
      << err;
  EXPECT_EQ(ReadFile(tmp / "new.htm"), "text");
  EXPECT_EQ(Mtime(tmp / "new.htm"), 1000000000);
  EXPECT_EQ(fs::status(tmp / "new.htm").permissions(), fs::perms(0604));

  EXPECT_FALSE(CopyFileKeepDate((tmp / "missing").string(), (tmp / "other.htm").string(), &err));
  EXPECT_FALSE(fs::exists(tmp / "other.htm"));
}

// The program's own files (reports, scratch copies) replace whatever is at their name; the
// browser view's copy beside a page is made afresh, and never written into anything
// someone else put at its name.
TEST(SafeReplace, OwnAndFreshFilesNeverWriteThroughWhatIsPlantedAtTheirName) {
  enum class Planted { Link, OwnCopy, OthersFile };
  const struct {
    const char* Name;
    bool Fresh;
    Planted What;
    bool Written;
  } cases[] = {
      {"own file over a link", false, Planted::Link, true},
      {"fresh copy over a link", true, Planted::Link, false},
      {"fresh copy over the copy left before", true, Planted::OwnCopy, true},
      {"fresh copy over another user's file", true, Planted::OthersFile, false},
  };
  for (const auto& c : cases) {
    if (c.What == Planted::OthersFile && geteuid() != 0) continue;  // no other owner to give
    TempDir tmp;
    WriteFile(tmp / "target.txt", "untouched");
    const fs::path name = tmp / "$tesselhtml_tmp.htm";
    if (c.What == Planted::Link) fs::create_symlink(tmp / "target.txt", name);
    if (c.What != Planted::Link) WriteFile(name, "there before");
    if (c.What == Planted::OthersFile) {
      ASSERT_EQ(chown(name.c_str(), 65534, 65534), 0);
    }
    std::string err;
    const bool written = c.Fresh ? WriteFreshFile(name, "new", &err) : WriteOwnFile(name, "new", &err);
    EXPECT_EQ(written, c.Written) << c.Name;
    EXPECT_EQ(ReadFile(tmp / "target.txt"), "untouched") << c.Name;
    if (!c.Written) {
      EXPECT_NE(err, "") << c.Name;
      continue;
    }
    EXPECT_FALSE(fs::is_symlink(name)) << c.Name;
    EXPECT_EQ(ReadFile(name), "new") << c.Name;
    if (c.Fresh) {
      EXPECT_EQ(fs::status(name).permissions(), fs::perms(0600)) << c.Name;
    }
  }
}

// The copy goes away again only while its name still holds that very copy: whatever was put
// in its place since stays.
TEST(SafeReplace, AFreshCopyIsRemovedOnlyWhileItIsThere) {
  for (const std::string what : {"the copy", "another file", "a link", "a directory", "nothing"}) {
    TempDir tmp;
    WriteFile(tmp / "target.txt", "untouched");
    const fs::path name = tmp / "$tesselhtml_tmp.htm";
    FileIdentity copy;
    std::string err;
    ASSERT_TRUE(WriteFreshFile(name, "copy", &err, &copy)) << err;
    // Made beside and renamed over the copy, so that it never gets the copy's inode.
    if (what == "another file") WriteFile(tmp / "other", "the user's");
    if (what == "a link") fs::create_symlink(tmp / "target.txt", tmp / "other");
    if (what == "a directory" || what == "nothing") fs::remove(name);
    if (what == "a directory") fs::create_directory(name);
    if (fs::exists(fs::symlink_status(tmp / "other"))) fs::rename(tmp / "other", name);
    EXPECT_TRUE(RemoveFreshFile(name, copy, &err)) << what << ": " << err;
    EXPECT_EQ(fs::exists(fs::symlink_status(name)), what != "the copy" && what != "nothing") << what;
    EXPECT_EQ(ReadFile(tmp / "target.txt"), "untouched");
  }
}

}  // namespace
}  // namespace tessel
