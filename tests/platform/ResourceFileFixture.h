// Tests share the process-wide resource chain, so each test writes its files into its own
// directory and closes whatever it opened before the next test runs.
#pragma once

#include "platform/Carbon.h"
#include "platform/Resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

class ResourceFileFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = std::filesystem::temp_directory_path() /
                 ("sgplatform-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory_);
  }

  void TearDown() override {
    for (short ref : open_) platform::CloseResourceFile(ref);
    std::filesystem::remove_all(directory_);
  }

  std::filesystem::path Write(const std::string& name, const std::string& json) {
    const std::filesystem::path path = directory_ / name;
    std::ofstream(path, std::ios::binary) << json;
    return path;
  }

  short Open(const std::string& name, const std::string& json) {
    const short ref = platform::OpenResourceFile(Write(name, json));
    open_.push_back(ref);
    return ref;
  }

  void Close(short ref) {
    platform::CloseResourceFile(ref);
    open_.erase(std::find(open_.begin(), open_.end(), ref));
  }

  // What the module would read through GetIndString, as a std::string.
  static std::string IndString(short listId, short index) {
    unsigned char buffer[256];
    GetIndString(buffer, listId, index);
    return std::string(reinterpret_cast<const char*>(buffer + 1), buffer[0]);
  }

 private:
  std::filesystem::path directory_;
  std::vector<short> open_;
};
