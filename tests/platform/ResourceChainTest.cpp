#include "ResourceFileFixture.h"

#include <stdexcept>

namespace {

using ResourceChain = ResourceFileFixture;

TEST_F(ResourceChain, SearchesFromTheCurrentFileTowardsOlderFiles) {
  const short host = Open("Host.rsrc.json",
                          R"({"strings": {"2015": ["host message"], "4700": ["host name"]}})");
  const short module = Open("Module.rsrc.json", R"({"strings": {"4700": ["module name"]}})");
  EXPECT_GT(host, 0);
  EXPECT_NE(host, module);

  EXPECT_EQ(platform::CurrentResourceFile(), module);  // opening makes a file current
  EXPECT_EQ(IndString(4700, 1), "module name");
  EXPECT_EQ(IndString(2015, 1), "host message");  // falls through to the older file

  platform::UseResourceFile(host);
  EXPECT_EQ(IndString(4700, 1), "host name");  // the newer file is no longer searched
  EXPECT_EQ(IndString(2015, 1), "host message");
}

TEST_F(ResourceChain, MissingListOrItemGivesEmptyString) {
  Open("Old.rsrc.json", R"({"strings": {"100": ["a", "b", "c"]}})");
  Open("New.rsrc.json", R"({"strings": {"100": ["x"]}})");
  EXPECT_EQ(IndString(100, 1), "x");
  // The newest list hides the older one as a whole, even where it is shorter.
  EXPECT_EQ(IndString(100, 2), "");
  EXPECT_EQ(IndString(100, 0), "");
  EXPECT_EQ(IndString(100, -1), "");
  EXPECT_EQ(IndString(101, 1), "");
}

TEST_F(ResourceChain, StringsAreBytesUpTo255) {
  const std::string longest(255, 'w');
  Open("Texts.rsrc.json",
       R"({"strings": {"-3": ["Gr\u00fc\u00dfe", ")" + longest + R"("]}})");
  EXPECT_EQ(IndString(-3, 1), "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(IndString(-3, 2), longest);
}

TEST_F(ResourceChain, ClosingTheCurrentFileMakesTheNextOlderCurrent) {
  const short first = Open("A.rsrc.json", R"({"strings": {"1": ["A"]}})");
  const short second = Open("B.rsrc.json", R"({"strings": {"1": ["B"]}})");
  const short third = Open("C.rsrc.json", R"({"strings": {"1": ["C"]}})");

  platform::UseResourceFile(second);
  Close(second);
  EXPECT_EQ(platform::CurrentResourceFile(), first);
  EXPECT_EQ(IndString(1, 1), "A");

  Close(first);  // nothing older is left: the newest remaining file takes over
  EXPECT_EQ(platform::CurrentResourceFile(), third);

  Close(third);
  EXPECT_EQ(platform::CurrentResourceFile(), 0);
  EXPECT_EQ(IndString(1, 1), "");
}

TEST_F(ResourceChain, ClosingAnotherFileKeepsTheCurrentOne) {
  const short first = Open("A.rsrc.json", R"({"strings": {"1": ["A"]}})");
  const short second = Open("B.rsrc.json", R"({"strings": {"2": ["B"]}})");
  Close(first);
  EXPECT_EQ(platform::CurrentResourceFile(), second);
  EXPECT_EQ(IndString(1, 1), "");
  EXPECT_THROW(platform::UseResourceFile(first), std::invalid_argument);
  EXPECT_THROW(platform::CloseResourceFile(first), std::invalid_argument);
}

TEST_F(ResourceChain, FindsDialogsThroughTheChain) {
  Open("Host.rsrc.json", R"({"dialogs": {"4710": {"title": "Host", "items": []}}})");
  Open("Module.rsrc.json", R"({"dialogs": {"4710": {"title": "Module", "items": [
      {"number": 1, "kind": "button", "text": "OK"},
      {"number": 13, "kind": "popup", "text": "Output:", "entries": ["Smoothing", "Slope"]},
      {"number": 4, "kind": "user"}]}}})");

  const platform::DialogResource* dialog = platform::FindDialogResource(4710);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->title, "Module");
  ASSERT_EQ(dialog->items.size(), 3u);
  EXPECT_EQ(dialog->items[1].number, 13);
  EXPECT_EQ(dialog->items[1].kind, platform::ItemKind::popup);
  EXPECT_EQ(dialog->items[1].entries, (std::vector<std::string>{"Smoothing", "Slope"}));
  EXPECT_EQ(dialog->items[2].kind, platform::ItemKind::user);
  EXPECT_EQ(dialog->items[2].text, "");
  EXPECT_EQ(platform::FindDialogResource(4711), nullptr);
}

}  // namespace

namespace {

// A host that loads and unloads extensions for as long as it runs opens files without end.
TEST_F(ResourceChain, NumbersComeRoundAgainWithoutReachingAnOpenFile) {
  const short kept = Open("Kept.rsrc.json", R"({"strings": {"100": ["kept"]}})");
  const std::filesystem::path passing = Write("Passing.rsrc.json", R"({"strings": {"100": ["passing"]}})");
  short previous = platform::OpenResourceFile(passing);
  platform::CloseResourceFile(previous);
  bool wrapped = false;
  for (int opens = 0; opens < 33000; ++opens) {
    const short ref = platform::OpenResourceFile(passing);
    ASSERT_GT(ref, 0);
    ASSERT_NE(ref, kept) << "after " << opens << " opens";
    wrapped = wrapped || ref < previous;
    previous = ref;
    platform::CloseResourceFile(ref);
  }
  EXPECT_TRUE(wrapped);
  platform::UseResourceFile(kept);
  EXPECT_EQ(IndString(100, 1), "kept");
}

}  // namespace
