// COM.ini in a scratch folder, for the port choice tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "protocol/session_state.h"
#include "tests/support/temp_dir.h"

namespace intercom::testing {

class PortChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = MakeTempDir("port-choice");
    ASSERT_FALSE(dir.empty());
    path = (dir / "COM.ini").string();
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(dir, ignored);
  }
  void WriteFile(const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
  std::string ReadFile() {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }

  std::filesystem::path dir;
  std::string path;
  SessionState state;
};

}  // namespace intercom::testing
