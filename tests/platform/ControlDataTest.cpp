#include "DialogFixture.h"

#include "platform/Carbon.h"

#include <cstring>

namespace {

class ControlData : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    dialog_ = &NewDialog();
    control_ = dialog_->FindItem(18)->control.get();
  }
  void TearDown() override {
    DisposeDialog(dialog_);
    DialogFixture::TearDown();
  }

  static constexpr unsigned long kValueTag = 0x4D67566C;  // 'MgVl'
  platform::Dialog* dialog_ = nullptr;
  void* control_ = nullptr;
};

TEST_F(ControlData, RoundTripsACopyOfTheBytes) {
  double width = 17.0;
  ASSERT_EQ(SetControlData(control_, 0, kValueTag, sizeof width, &width), kPlatformNoErr);
  width = 0.0;  // the control must have kept its own copy

  double readBack = 0.0;
  long actualSize = 0;
  ASSERT_EQ(GetControlData(control_, 0, kValueTag, sizeof readBack, &readBack, &actualSize),
            kPlatformNoErr);
  EXPECT_EQ(readBack, 17.0);
  EXPECT_EQ(actualSize, 8);

  const int steps = 98;  // replacing the data may change its size
  ASSERT_EQ(SetControlData(control_, 0, kValueTag, sizeof steps, &steps), kPlatformNoErr);
  int readSteps = 0;
  EXPECT_EQ(GetControlData(control_, 0, kValueTag, sizeof readSteps, &readSteps, nullptr),
            kPlatformNoErr);
  EXPECT_EQ(readSteps, 98);
}

TEST_F(ControlData, BufferTooSmallCopiesNothingButReportsTheSize) {
  const double width = 201.0;
  ASSERT_EQ(SetControlData(control_, 0, kValueTag, sizeof width, &width), kPlatformNoErr);
  unsigned char buffer[8];
  std::memset(buffer, 0xAA, sizeof buffer);
  long actualSize = 0;
  EXPECT_EQ(GetControlData(control_, 0, kValueTag, 7, buffer, &actualSize), kPlatformParamErr);
  EXPECT_EQ(actualSize, 8);
  for (unsigned char byte : buffer) EXPECT_EQ(byte, 0xAA);
}

TEST_F(ControlData, ParameterErrors) {
  const double width = 5.0;
  long actualSize = -7;
  double readBack = 0.0;
  EXPECT_EQ(SetControlData(nullptr, 0, kValueTag, sizeof width, &width), kPlatformParamErr);
  EXPECT_EQ(SetControlData(control_, 0, kValueTag, -1, &width), kPlatformParamErr);
  EXPECT_EQ(GetControlData(nullptr, 0, kValueTag, 8, &readBack, &actualSize), kPlatformParamErr);
  // Neither failed Set stored anything, so the tag is still unknown.
  EXPECT_EQ(GetControlData(control_, 0, kValueTag, 8, &readBack, &actualSize), kPlatformParamErr);
  EXPECT_EQ(actualSize, -7);
}

}  // namespace
