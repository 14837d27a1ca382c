// The one version number: the project's version as the version resource and
// the About text carry it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "dorvane_version.h"

namespace {

TEST(VersionTest, AboutTextNamesTheVersion) {
  EXPECT_EQ(std::string(aboutText).rfind("Dorvane " DORVANE_VERSION_TEXT ", ", 0), 0u) << aboutText;
}

// This test program links the same resources as Dorvane.exe.
TEST(VersionTest, VersionResourceCarriesTheVersion) {
  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  DWORD size = GetFileVersionInfoSizeA(path, nullptr);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(DORVANE_VERSION_MINOR, DORVANE_VERSION_MAJOR)));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);

  for (const char* name : {"FileVersion", "ProductVersion"}) {
    char* text = nullptr;
    std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
    ASSERT_TRUE(VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length)) << name;
    EXPECT_STREQ(text, DORVANE_VERSION_TEXT) << name;
  }
}

}  // namespace
