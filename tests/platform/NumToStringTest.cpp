#include "platform/Carbon.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

std::string NumberText(long value) {
  unsigned char buffer[256];
  NumToString(value, buffer);
  return std::string(reinterpret_cast<const char*>(buffer + 1), buffer[0]);
}

TEST(NumToString, PlainDecimalDigits) {
  EXPECT_EQ(NumberText(0), "0");
  EXPECT_EQ(NumberText(7), "7");
  EXPECT_EQ(NumberText(201), "201");
  EXPECT_EQ(NumberText(-5), "-5");
  EXPECT_EQ(NumberText(-1000), "-1000");
  EXPECT_EQ(NumberText(LONG_MAX), std::to_string(LONG_MAX));
  EXPECT_EQ(NumberText(LONG_MIN), std::to_string(LONG_MIN));
}

}  // namespace
