#include "core/outputfile.hh"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string text_of(const std::string& name) {
  std::ifstream in(name);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A link is followed: the file it names gets the new contents and keeps its mode, the
// link stays, and nothing but the two names is left in the folder. A device is
// written in place.
TEST(OutputFile, ReplacesTheFileALinkNamesAndKeepsItsMode) {
  char pattern[] = "/tmp/bnsl_out_XXXXXX";
  const std::string dir = mkdtemp(pattern);
  const std::string real = dir + "/real", link = dir + "/link";
  std::ofstream(real) << "earlier\n";
  chmod(real.c_str(), 0640);
  std::filesystem::create_symlink(real, link);

  FILE* fp = outputfile::open(link);
  ASSERT_NE(fp, nullptr);
  fputs("later\n", fp);
  EXPECT_EQ(text_of(real), "earlier\n");
  std::string failed;
  ASSERT_TRUE(outputfile::close(fp));
  ASSERT_TRUE(outputfile::commit(failed));
  EXPECT_EQ(text_of(real), "later\n");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  struct stat info;
  ASSERT_EQ(stat(real.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);

  fp = outputfile::open("/dev/null");
  ASSERT_NE(fp, nullptr);
  EXPECT_TRUE(outputfile::close(fp));
  EXPECT_TRUE(outputfile::commit(failed));
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
  std::filesystem::remove_all(dir);
}

}  // namespace
