#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

#include "app/options.hh"
#include "scratch_dir.hh"

namespace {

using SwapSpace = OptionFile;

using SwapSpaceDeathTest = SwapSpace;

}  // namespace

TEST_F(SwapSpace, SizeAloneCreatesFileUnderUnsetName) {
  const params p = read("diskspace=100\n");
  EXPECT_EQ(read_file(".stxxl"), "disk=not def,100,syscall");
  EXPECT_EQ(p.maxmem, params::U30 + 100);
  EXPECT_EQ(p.diskspace, 100);
  EXPECT_EQ(p.diskspacename, "disk=not def");
  EXPECT_EQ(log,
            "[info] Reading options from file [opt]\n"
            "building disk swap space of size 100mb at not def...done.\n");
}

TEST_F(SwapSpace, NamedSwapSpaceRaisesMemoryLimit) {
  const params p = read("maxmem=10\ndiskspacename = /var/tmp/swap \ndiskspace=64\nverbose=2\n");
  EXPECT_EQ(read_file(".stxxl"), "disk=/var/tmp/swap,64,syscall");
  EXPECT_EQ(p.maxmem, 74);
  EXPECT_EQ(p.diskspacename, "disk=/var/tmp/swap");
  EXPECT_EQ(log,
            "[info] Reading options from file [opt]\n"
            "[info] Creating swap space on disk\n"
            "building disk swap space of size 64mb at /var/tmp/swap...done.\n"
            "[info] Opening swap space on disk\n"
            "[info] Options successfully read\n");
}

TEST_F(SwapSpace, QuietRunWritesNoProgress) {
  const params p = read("verbose=0\ndiskspace=5\ndiskspacename=s\n");
  EXPECT_EQ(read_file(".stxxl"), "disk=s,5,syscall");
  EXPECT_EQ(log, "[info] Reading options from file [opt]\n");
}

TEST_F(SwapSpace, HugeSizeKeepsMemoryLimitInRange) {
  const params p = read("diskspace=2147483647\n");
  EXPECT_EQ(p.maxmem, INT_MAX);
  EXPECT_EQ(p.diskspace, INT_MAX);
}

TEST_F(SwapSpace, EmptyNameCreatesNothing) {
  const params p = read("diskspace=5\ndiskspacename=\n");
  EXPECT_FALSE(std::filesystem::exists(".stxxl"));
  EXPECT_EQ(p.maxmem, params::U30);
}

TEST_F(SwapSpace, ExistingFileIsReadWithoutSize) {
  write_file(".stxxl", " disk=/big/swap ,2048,syscall\nignored\n");
  const params p = read("maxmem=100\n");
  EXPECT_EQ(p.diskspacename, "disk=/big/swap");
  EXPECT_EQ(p.diskspace, 2048);
  EXPECT_EQ(p.maxmem, 100);
}

TEST_F(SwapSpace, UnreadableOptionFileIgnoresSwapFile) {
  write_file(".stxxl", "broken");
  params p;
  testing::internal::CaptureStderr();
  readparams(p, "missing");
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(p.diskspacename, "not def");
}

TEST_F(SwapSpaceDeathTest, ExistingFileWithSizeRequested) {
  write_file(".stxxl", "disk=x,10,syscall");
  EXPECT_EXIT(read_to_the_end("diskspace=10\n"), testing::ExitedWithCode(255),
              "\nFile \\.stxxl already exists\\. Either remove it or restrain from using options "
              "diskpace/diskspacename\n$");
  EXPECT_EQ(read_file(".stxxl"), "disk=x,10,syscall");
}

TEST_F(SwapSpaceDeathTest, InvalidFile) {
  for (const char* content : {"", "disk=x", "disk=x,0,syscall", "disk=x,-5", "disk=x,abc,1", "\n,"}) {
    write_file(".stxxl", content);
    EXPECT_EXIT(read_to_the_end("verbose=1\n"), testing::ExitedWithCode(255),
                "\nFile \\.stxxl is invalid\n$")
        << content;
  }
}

TEST_F(SwapSpaceDeathTest, FileThatCannotBeCreated) {
  // A link into a missing directory: the file does not exist and cannot be created.
  ASSERT_EQ(symlink("no/such/dir/swap", ".stxxl"), 0);
  EXPECT_EXIT(read_to_the_end("diskspace=1\n"), testing::ExitedWithCode(255),
              "\nFailed to create file \\.stxxl\n$");
}
