#include "ResourceFileFixture.h"

#include <stdexcept>

namespace {

using ResourceFileErrors = ResourceFileFixture;

// Opens a file that must be rejected and returns the message it was rejected with.
std::string RejectionOf(const std::filesystem::path& path) {
  const short before = platform::CurrentResourceFile();
  try {
    platform::OpenResourceFile(path);
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(platform::CurrentResourceFile(), before) << "a rejected file joined the chain";
    return error.what();
  }
  ADD_FAILURE() << path << " was accepted";
  return {};
}

TEST_F(ResourceFileErrors, MessageNamesTheFileAndTheProblem) {
  const auto path = Write("Broken.rsrc.json", R"({"strings": {"1": ["a",]}})");
  const std::string message = RejectionOf(path);
  EXPECT_NE(message.find(path.string()), std::string::npos) << message;
  EXPECT_NE(message.find("not valid JSON"), std::string::npos) << message;
}

TEST_F(ResourceFileErrors, MissingFile) {
  const std::string message = RejectionOf("/nonexistent/Missing.rsrc.json");
  EXPECT_NE(message.find("/nonexistent/Missing.rsrc.json: cannot open"), std::string::npos)
      << message;
}

TEST_F(ResourceFileErrors, StringLongerThan255Bytes) {
  // 128 two-byte characters: 128 characters but 256 bytes.
  std::string text;
  for (int i = 0; i < 128; ++i) text += "\\u00e9";
  const std::string message =
      RejectionOf(Write("Long.rsrc.json", R"({"strings": {"4700": ["ok", ")" + text + R"("]}})"));
  EXPECT_NE(message.find("strings 4700 item 2"), std::string::npos) << message;
  EXPECT_NE(message.find("256 bytes"), std::string::npos) << message;
}

TEST_F(ResourceFileErrors, MalformedContents) {
  const struct {
    const char* json;
    const char* expected;
  } cases[] = {
      {R"([])", "top level: must be a JSON object"},
      {R"({"string": {}})", "unknown member \"string\""},
      {R"({"strings": {"40000": []}})", "resource id \"40000\""},
      {R"({"strings": {"12a": []}})", "resource id \"12a\""},
      {R"({"strings": {"1": "text"}})", "strings 1: must be an array"},
      {R"({"strings": {"1": [3]}})", "strings 1 item 1: must be a string"},
      {R"({"dialogs": {"5": {"title": "t"}}})", "dialog 5: items must be an array"},
      {R"({"dialogs": {"5": {"items": [{"number": 0, "kind": "user"}]}}})",
       "dialog 5 item 1: number must be"},
      {R"({"dialogs": {"5": {"items": [{"number": 2, "kind": "slider"}]}}})",
       "dialog 5 item 1: kind must be"},
      {R"({"dialogs": {"5": {"items": [{"number": 2, "kind": "edit", "entries": []}]}}})",
       "only popups have entries"},
      {R"({"dialogs": {"5": {"items": [{"number": 2, "kind": "user"},
                                        {"number": 2, "kind": "edit"}]}}})",
       "item number 2 appears twice"},
      {R"({"dialogs": {"5": {"items": [{"number": 2, "kind": "edit", "box": [1, 2, 3]}]}}})",
       "dialog 5 item 1: box must be"},
      {R"({"dialogs": {"5": {"items": [{"number": 2, "kind": "edit", "box": [1, 2, 0, 4]}]}}})",
       "box must be"},
      {R"({"dialogs": {"5": {"items": [{"number": 2, "kind": "edit", "box": [-1, 2, 3, 4]}]}}})",
       "box must be"},
      {R"({"dialogs": {"5": {"items": [{"number": 2, "kind": "edit", "box": [1, 2, 3.5, 4]}]}}})",
       "box must be"},
      {R"({"dialogs": {"5": {"items": [{"number": 2, "kind": "edit", "box": [32000, 2, 800, 4]}]}}})",
       "box must be"},
      {R"({"dialogs": {"5": {"items": [{"number": 2, "kind": "edit",
                                        "box": [9223372036854775807, 0, 9223372036854775807, 4]}]}}})",
       "box must be"},
      {R"({"dialogs": {"5": {"items": [{"number": 2, "kind": "edit", "box": "10 10 20 20"}]}}})",
       "box must be"},
  };
  for (const auto& bad : cases) {
    const std::string message = RejectionOf(Write("Bad.rsrc.json", bad.json));
    EXPECT_NE(message.find(bad.expected), std::string::npos)
        << bad.json << "\n  gave: " << message;
  }
}

}  // namespace
