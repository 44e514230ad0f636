// The file store under concurrent writers, planted links, read-only files.
#include "storage/file_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/temp_dir.h"

namespace pxb {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Text(const std::string& s) {
  return {s.begin(), s.end()};
}

class FileStoreTest : public ::testing::Test {
 protected:
  std::string P(const std::string& name) const { return dir_ / name; }
  std::string Read(const std::string& name) const {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(ReadFileBytes(P(name), &bytes, &error)) << error;
    return {bytes.begin(), bytes.end()};
  }
  void Write(const std::string& name, const std::string& text) const {
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(P(name), Text(text), &error)) << error;
  }
  size_t Entries() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_.path()), {}));
  }

  testing::TempDir dir_{"pxb-store"};
};

// Many writers each read a counter and write it back one higher, refused
// when the file changed since their read: every accepted write counts, none
// is lost, and no temp file is left behind.
TEST_F(FileStoreTest, ConcurrentReadModifyWriteLosesNoStep) {
  Write("s.gds", "0");
  std::atomic<int> accepted{0};
  std::vector<std::thread> writers;
  for (int t = 0; t < 8; ++t) {
    writers.emplace_back([&] {
      for (int i = 0; i < 25; ++i) {
        std::vector<uint8_t> bytes;
        std::string error;
        FileStamp stamp;
        if (!ReadFileBytes(P("s.gds"), &bytes, &error, &stamp)) continue;
        const int n = std::stoi(std::string(bytes.begin(), bytes.end()));
        if (WriteFileAtomically(P("s.gds"), Text(std::to_string(n + 1)), &error, &stamp)) {
          ++accepted;
        } else {
          EXPECT_NE(error.find("changed"), std::string::npos) << error;
        }
      }
    });
  }
  for (std::thread& w : writers)
    w.join();
  EXPECT_GT(accepted.load(), 0);
  EXPECT_EQ(Read("s.gds"), std::to_string(accepted.load()));
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(FileStoreTest, AStaleOrAbsentStampIsRefused) {
  Write("s.gds", "one");
  std::vector<uint8_t> bytes;
  std::string error;
  FileStamp stamp;
  ASSERT_TRUE(ReadFileBytes(P("s.gds"), &bytes, &error, &stamp)) << error;
  Write("s.gds", "two");  // same size, another program
  EXPECT_FALSE(WriteFileAtomically(P("s.gds"), Text("mine"), &error, &stamp));
  EXPECT_EQ(Read("s.gds"), "two");
  const FileStamp absent;  // "the file must not exist"
  EXPECT_FALSE(WriteFileAtomically(P("s.gds"), Text("new"), &error, &absent));
  EXPECT_TRUE(WriteFileAtomically(P("other.gds"), Text("new"), &error, &absent)) << error;
}

// A link planted where the temporary file goes is not followed; a session
// that is a link is written at its target and stays a link.
TEST_F(FileStoreTest, LinksArePlantedInVainOrWrittenAtTheirTarget) {
  Write("victim", "precious");
  Write("s.gds", "old");
  fs::create_symlink(P("victim"), P("s.gds.tmp"));
  Write("s.gds", "new");
  EXPECT_EQ(Read("victim"), "precious");
  EXPECT_EQ(Read("s.gds"), "new");
  fs::create_symlink(P("s.gds"), P("link.gds"));
  Write("link.gds", "newer");
  EXPECT_TRUE(fs::is_symlink(P("link.gds")));
  EXPECT_EQ(Read("s.gds"), "newer");
}

TEST_F(FileStoreTest, ReadOnlyOrFailedWritesAndKeptModeAndOwner) {
  Write("ro.gds", "old");
  fs::permissions(P("ro.gds"), fs::perms::owner_read | fs::perms::group_read);
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(P("ro.gds"), Text("new"), &error));
  EXPECT_NE(error.find("read-only"), std::string::npos) << error;
  EXPECT_EQ(Read("ro.gds"), "old");

  Write("kept.gds", "old");
  ASSERT_EQ(::chmod(P("kept.gds").c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(P("kept.gds").c_str(), 65534, 65534), 0);
  }
  Write("kept.gds", "new");
  struct stat st {};
  ASSERT_EQ(::stat(P("kept.gds").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
  }
  EXPECT_EQ(Read("kept.gds"), "new");

  // A write that fails (/dev/full) leaves no temporary file.
  fs::create_symlink("/dev/full", P("full.gds"));
  EXPECT_FALSE(WriteFileAtomically(P("full.gds"), Text("x"), &error));
  fs::remove(P("full.gds"));
  EXPECT_EQ(Entries(), 2u);
}

}  // namespace
}  // namespace pxb
