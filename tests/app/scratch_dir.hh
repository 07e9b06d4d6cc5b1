// Test support for the option-file tests: each test runs in a fresh scratch directory
// (readparams looks for the swap-space file ".stxxl" in the working directory), with
// helpers to write and read small files there and to read an option file.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/options.hh"

class ScratchDir : public testing::Test {
 protected:
  void SetUp() override {
    char here[PATH_MAX];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    previous_ = here;
    char pattern[] = "/tmp/bnsl_options_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ASSERT_EQ(chdir(dir_.c_str()), 0);
  }
  void TearDown() override {
    ASSERT_EQ(chdir(previous_.c_str()), 0);
    std::filesystem::remove_all(dir_);
  }

  static void write_file(const std::string& name, const std::string& content) {
    std::ofstream out(name, std::ios::binary);
    out << content;
  }
  static std::string read_file(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::string previous_;
  std::string dir_;
};

// Reads option files written into the scratch directory.
class OptionFile : public ScratchDir {
 protected:
  // Reads content as the option file "opt"; the messages written go to log.
  params read(const std::string& content) {
    write_file("opt", content);
    params p;
    testing::internal::CaptureStderr();
    readparams(p, "opt");
    log = testing::internal::GetCapturedStderr();
    return p;
  }
  // Reads content as the option file "opt" with standard error left alone, for
  // death tests that match the messages.
  static void read_to_the_end(const std::string& content) {
    write_file("opt", content);
    params p;
    readparams(p, "opt");
  }
  std::string log;
};
