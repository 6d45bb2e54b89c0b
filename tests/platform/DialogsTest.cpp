#include "DialogFixture.h"

#include "platform/Carbon.h"

#include <cstring>

namespace {

using Dialogs = DialogFixture;

TEST_F(Dialogs, BuiltFromTheResourceWithExactlyItsItems) {
  platform::Dialog& dialog = NewDialog();
  EXPECT_EQ(dialog.resourceId, kDialogId);
  EXPECT_EQ(dialog.window.title, "Savitzky-Golay");
  ASSERT_EQ(dialog.items.size(), 7u);
  EXPECT_EQ(dialog.FindItem(2), nullptr);  // numbers skip; no item is made up

  const platform::DialogItem* output = dialog.FindItem(13);
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(output->text, "Output:");
  EXPECT_EQ(output->entries.size(), 3u);
  EXPECT_EQ(output->value, 1);
  EXPECT_EQ(output->minimum, 1);
  EXPECT_EQ(output->maximum, 3);
  EXPECT_EQ(output->box, (platform::ItemBox{164, 150, 232, 24}));
  EXPECT_FALSE(dialog.FindItem(17)->box);  // the host places it

  const platform::DialogItem* source = dialog.FindItem(6);  // filled by the host later
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->value, 0);
  EXPECT_EQ(source->maximum, 0);

  for (const platform::DialogItem& item : dialog.items) {
    EXPECT_EQ(item.control != nullptr, item.kind == platform::ItemKind::control) << item.number;
    EXPECT_TRUE(item.enabled);
    EXPECT_FALSE(item.checked);
  }
  DisposeDialog(&dialog);
}

TEST_F(Dialogs, MissingResourceGivesNull) {
  EXPECT_EQ(platform::NewDialogFromResource(4711), nullptr);
  EXPECT_EQ(platform::LiveDialogCount(), 0u);
}

TEST_F(Dialogs, TitleAndReferenceValueThroughTheWindow) {
  platform::Dialog& dialog = NewDialog();
  void* window = GetDialogWindow(&dialog);
  EXPECT_EQ(&platform::DialogOfWindow(window), &dialog);

  unsigned char title[256];
  GetWTitle(window, title);
  ASSERT_EQ(title[0], 14);
  EXPECT_EQ(std::memcmp(title + 1, "Savitzky-Golay", 14), 0);

  const unsigned char renamed[] = "\x05" "Ch. 3";
  SetWTitle(window, renamed);
  EXPECT_EQ(dialog.window.title, "Ch. 3");

  SetWRefCon(window, -123456789L);
  EXPECT_EQ(platform::GetWRefCon(window), -123456789L);
  DisposeDialog(&dialog);
}

TEST_F(Dialogs, DisposingRemovesFromTheRegistry) {
  platform::Dialog& first = NewDialog();
  platform::Dialog& second = NewDialog();
  EXPECT_EQ(platform::LiveDialogCount(), 2u);
  DisposeDialog(&first);
  EXPECT_EQ(platform::LiveDialogCount(), 1u);
  EXPECT_EQ(&platform::DialogFromOpaque(&second), &second);
  DisposeDialog(&second);
  EXPECT_EQ(platform::LiveDialogCount(), 0u);
}

TEST_F(Dialogs, StalePointersStopTheProcessLoudly) {
  platform::Dialog& dialog = NewDialog();
  void* window = GetDialogWindow(&dialog);
  void* control = dialog.FindItem(18)->control.get();
  DisposeDialog(&dialog);

  unsigned char title[256];
  EXPECT_DEATH(DisposeDialog(&dialog), "DisposeDialog: not a live dialog");
  EXPECT_DEATH(GetDialogWindow(&dialog), "GetDialogWindow: not a live dialog");
  EXPECT_DEATH(GetWTitle(window, title), "GetWTitle: not the window of a live dialog");
  EXPECT_DEATH(SetWRefCon(window, 1), "SetWRefCon: not the window");
  EXPECT_DEATH(SetPortDialogPort(&dialog), "SetPortDialogPort: not a live dialog");
  EXPECT_DEATH(GetControlData(control, 0, 1, 0, nullptr, nullptr), "GetControlData: not a control");
  EXPECT_DEATH(DisposeDialog(title), "DisposeDialog: not a live dialog");  // never a dialog
}

}  // namespace
