// A resource chain holding one settings-like dialog; every test must dispose what it creates.
#pragma once

#include "ResourceFileFixture.h"

#include "platform/Dialogs.h"

class DialogFixture : public ResourceFileFixture {
 protected:
  static constexpr short kDialogId = 4710;

  void SetUp() override {
    ResourceFileFixture::SetUp();
    Open("Module.rsrc.json", R"({"dialogs": {"4710": {"title": "Savitzky-Golay", "items": [
        {"number": 1, "kind": "button", "text": "OK"},
        {"number": 4, "kind": "user"},
        {"number": 6, "kind": "popup", "text": "Source:"},
        {"number": 9, "kind": "radio", "text": "Raw values"},
        {"number": 13, "kind": "popup", "text": "Output:", "box": [164, 150, 232, 24],
         "entries": ["Smoothing", "First derivative", "Second derivative"]},
        {"number": 17, "kind": "edit"},
        {"number": 18, "kind": "control", "text": "Width"}]}}})");
  }

  void TearDown() override {
    EXPECT_EQ(platform::LiveDialogCount(), 0u) << "a test left a dialog open";
    ResourceFileFixture::TearDown();
  }

  static platform::Dialog& NewDialog() {
    platform::Dialog* dialog = platform::NewDialogFromResource(kDialogId);
    if (dialog == nullptr) throw std::logic_error("dialog resource missing");
    return *dialog;
  }
};
