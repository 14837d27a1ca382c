#include "help/help_choice.h"

#include <gtest/gtest.h>

TEST(ChooseHelpEngine, TheGuideWinsThenAWinHelpFileAloneThenNothing) {
  EXPECT_EQ(ChooseHelpEngine(true, true), HelpEngine::kHtmlHelp);
  EXPECT_EQ(ChooseHelpEngine(true, false), HelpEngine::kWinHelp);
  EXPECT_EQ(ChooseHelpEngine(false, true), HelpEngine::kHtmlHelp);
  EXPECT_EQ(ChooseHelpEngine(false, false), HelpEngine::kNone);
}

TEST(HtmlHelpFor, MapsTheThreeWinHelpCommandsOneToOne) {
  struct { unsigned winHelp; bool send; unsigned html; bool withFile; } cases[] = {
      {kHelpContext, true, kHhHelpContext, true},
      {kHelpContents, true, kHhDisplayToc, true},
      {kHelpQuit, true, kHhCloseAll, false},
      {0x0008, false, 0, false},  // HELP_CONTEXTPOPUP is never sent, and has no HTML Help twin here
  };
  for (const auto& c : cases) {
    const HtmlHelpRequest r = HtmlHelpFor(c.winHelp);
    EXPECT_EQ(r.send, c.send) << c.winHelp;
    EXPECT_EQ(r.command, c.html) << c.winHelp;
    EXPECT_EQ(r.withFile, c.withFile) << c.winHelp;
  }
}

TEST(HelpFilePath, HoldsTheLongestProgramDirectoryWhole) {
  EXPECT_EQ(HelpFilePath("C:", kHtmlHelpFile), "C:\\dorvane.chm");
  const std::string dir = "C:\\" + std::string(256, 'x');
  const std::string path = HelpFilePath(dir, kWinHelpFile);
  EXPECT_EQ(path.size(), 259u + 1 + 11);
  EXPECT_EQ(path.substr(260), "dorvane.hlp");
  EXPECT_NE(MissingHelpText(dir).find(dir + "\\dorvane.chm"), std::string::npos);
}
