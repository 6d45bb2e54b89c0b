#include "DialogFixture.h"

#include "platform/Carbon.h"
#include "platform/Ports.h"

namespace {

using Ports = DialogFixture;

// The module saves the port, switches to its dialog's port and restores the saved one.
TEST_F(Ports, DialogPortIsSwitchedToAndRestored) {
  ASSERT_EQ(platform::CurrentPort(), platform::ScreenPort());
  platform::Dialog& dialog = NewDialog();

  void* saved = nullptr;
  GetPort(&saved);
  EXPECT_EQ(saved, platform::ScreenPort());

  SetPortDialogPort(&dialog);
  EXPECT_EQ(platform::CurrentPort(), GetDialogWindow(&dialog));
  void* during = nullptr;
  GetPort(&during);
  EXPECT_EQ(during, GetDialogWindow(&dialog));

  DisposeDialog(&dialog);
  SetPort(saved);
  EXPECT_EQ(platform::CurrentPort(), platform::ScreenPort());
}

}  // namespace
