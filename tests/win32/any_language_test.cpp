// Names in any script: recordings, bookmarks and options files named in
// Cyrillic or Chinese go through the real window, menu, dialogs and files
// whole, and text written by earlier versions in the legacy code page is
// read and written back in UTF-8. What the window and the file system hold
// is read back through the wide API, so a name turned into question marks
// anywhere on the way cannot pass.
#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/player_state.h"
#include "bookmarks/bookmarks.h"
#include "playback/media.h"
#include "res/resource.h"
#include "settings/options_file.h"
#include "support/playback_fixture.h"
#include "text/legacy_code_page.h"
#include "text/utf8_text.h"
#include "settings_fixture.h"

namespace {

std::wstring Wide(std::string_view utf8) {
  std::wstring wide(utf8.size(), L'\0');
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                    static_cast<int>(wide.size()));
  wide.resize(static_cast<std::size_t>(n));
  return wide;
}

std::wstring WindowTextW(HWND window) {
  wchar_t text[600] = L"";
  GetWindowTextW(window, text, 600);
  return text;
}

// The bytes of a file found by its Unicode name, or "<missing>".
std::string ReadFileW(const std::string& utf8Path) {
  HANDLE file = CreateFileW(Wide(utf8Path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

void WriteFileW(const std::string& utf8Path, std::string_view bytes) {
  HANDLE file = CreateFileW(Wide(utf8Path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << utf8Path;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string Repeat(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// One name in the legacy code pages a system may have: its bytes there and
// its text. The test uses the page the system has.
struct LegacySample {
  unsigned codePage;
  std::string_view bytes, utf8;
};
constexpr LegacySample kLegacySamples[] = {
    {1252, "Einf\xFChrung", "Einführung"},
    {1251, "\xC8\xED\xF2\xE5\xF0\xE2\xFC\xFE", "Интервью"},
    {1253, "\xE1\xE2\xE3", "αβγ"},
    {932, "\x98\x5E\x89\xB9", "録音"},
    {936, "\xC2\xBC\xD2\xF4", "录音"},
    {949, "\xB3\xEC\xC0\xBD", "녹음"},
};

const LegacySample* SampleOfThisSystem() {
  for (const LegacySample& s : kLegacySamples) {
    if (s.codePage == LegacyCodePage()) return &s;
  }
  return nullptr;
}

TEST(AnyLanguage, TheProgramRunsInTheUtf8CodePageItsManifestAsksFor) {
  EXPECT_EQ(GetACP(), 65001u);
  EXPECT_EQ(StoredTextDecoder(), &SystemLegacyToUtf8);
}

TEST(AnyLanguage, LegacyTextOfEveryPageIsConvertedAndUnknownPagesReadAs1252) {
  for (const LegacySample& s : kLegacySamples) EXPECT_EQ(LegacyToUtf8(s.bytes, s.codePage), s.utf8) << s.codePage;
  EXPECT_EQ(LegacyToUtf8("caf\xE9", 12345), "café");  // no such code page
  EXPECT_EQ(LegacyToUtf8("", 1251), "");

  // The registry's ACP value: text naming a page, or 1252.
  HKEY key = nullptr;
  const char* subkey = "Software\\Dorvane tests\\code page";
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(LegacyCodePageOfKey(key), 1252u) << "no value";
  const auto setText = [key](const char* text) {
    RegSetValueExA(key, "ACP", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(strlen(text) + 1));
  };
  setText("1251");
  EXPECT_EQ(LegacyCodePageOfKey(key), 1251u);
  setText("65001");
  EXPECT_EQ(LegacyCodePageOfKey(key), 1252u);
  setText("a very long text that is no number at all");
  EXPECT_EQ(LegacyCodePageOfKey(key), 1252u);
  const DWORD number = 1251;
  RegSetValueExA(key, "ACP", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  EXPECT_EQ(LegacyCodePageOfKey(key), 1252u) << "not text";
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_CURRENT_USER, subkey);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Dorvane tests");
}

class AnyLanguageMediaTest : public PlaybackTest {
 protected:
  void SetUp() override {
    PlaybackTest::SetUp();
    bookmarks = BookmarkTable{};
  }
  void TearDown() override {
    PlaybackTest::TearDown();
    bookmarks = BookmarkTable{};
  }
  void AddNamed(const std::string& name) {
    dialogs.Then(DialogCatcher::TypeAndPress(IDC_POSITION_EDIT, name, IDOK));
    Command(IDM_ADD_BOOKMARK);
  }
  // The bookmark items of the Bookmark menu, after Add and the separator.
  std::vector<std::wstring> BookmarkItems() const {
    std::vector<std::wstring> items;
    HMENU menu = GetSubMenu(GetMenu(window), MENUPOS_BOOKMARK);
    for (int i = 2; i < GetMenuItemCount(menu); ++i) {
      wchar_t text[200] = L"";
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_TYPE;
      info.dwTypeData = text;
      info.cch = 200;
      GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
      items.push_back(text);
    }
    return items;
  }
};

TEST_F(AnyLanguageMediaTest, ACyrillicBookmarkGoesThroughTheDialogTheMenuAndTheFile) {
  const std::string media = AddFile("интервью.wav", 900000);
  StartWithFile(media);
  EXPECT_EQ(WindowTextW(window), L"Dorvane: " + Wide(media));
  sim.SetPosition(Device(), 83456);
  AddNamed("Введение");
  EXPECT_EQ(BookmarkItems(), std::vector<std::wstring>{L"Введение\t 1:23.456"});

  Command(IDM_CLOSE);
  EXPECT_EQ(ReadFileW(TempFile("интервью.wav.BMK")), "Введение\t 1:23.456\r\n");
  OpenFile(media);
  EXPECT_EQ(BookmarkItems(), std::vector<std::wstring>{L"Введение\t 1:23.456"});
  EXPECT_EQ(BookmarkName(bookmarks[0]), "Введение");
}

TEST_F(AnyLanguageMediaTest, ANameOf49CyrillicLettersKeepsTheWholeLettersThatFit) {
  StartWithFile(AddFile("talk.wav", 60000));
  AddNamed(Repeat("ж", 49));  // 98 bytes
  ASSERT_EQ(player.bookmarkCount, 1);
  EXPECT_EQ(BookmarkName(bookmarks[0]), Repeat("ж", 24));
  EXPECT_EQ(BookmarkItems(), std::vector<std::wstring>{Wide(Repeat("ж", 24)) + L"\t 0:00.000"});
  Command(IDM_CLOSE);
  EXPECT_EQ(ReadFileW(TempFile("talk.wav.BMK")), Repeat("ж", 24) + "\t 0:00.000\r\n");
}

TEST_F(AnyLanguageMediaTest, ALegacyBookmarkFileIsReadAndWrittenBackInUtf8) {
  const LegacySample* sample = SampleOfThisSystem();
  if (sample == nullptr) GTEST_SKIP() << "no sample for the legacy code page " << LegacyCodePage();
  const std::string talk = AddFile("talk.wav", 900000);
  WriteFileW(TempFile("talk.wav.BMK"), std::string(sample->bytes) + "\t 1:23.456\r\nplain\t 0:05.000\r\n");
  StartWithFile(talk);
  EXPECT_EQ(BookmarkItems(), (std::vector<std::wstring>{Wide(sample->utf8) + L"\t 1:23.456", L"plain\t 0:05.000"}));
  Command(IDM_CLOSE);
  EXPECT_EQ(ReadFileW(TempFile("talk.wav.BMK")), std::string(sample->utf8) + "\t 1:23.456\r\nplain\t 0:05.000\r\n");
}

TEST_F(AnyLanguageMediaTest, TheOpenDialogTakesACyrillicName) {
  CreateMainWindow();
  const std::string media = AddFile("запись 2.wav", 60000);
  WriteFileW(media, "RIFF");
  dialogs.Then([media](HWND dialog) {
    for (int id : {0x480, 0x47c}) {  // the name box: edit edt1 or combo box cmb13
      if (GetDlgItem(dialog, id) != nullptr) SetDlgItemTextW(dialog, id, Wide(media).c_str());
    }
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  Command(IDM_OPEN);
  ASSERT_TRUE(player.isOpen);
  EXPECT_EQ(std::string(player.mediaPath), media);
  EXPECT_EQ(WindowTextW(window), L"Dorvane: " + Wide(media));
}

TEST_F(AnyLanguageMediaTest, APathTooLongInUtf8GetsTheMessageOfAnyTooLongPath) {
  // 120 Chinese characters are 360 bytes; 300 ASCII letters are what any
  // too-long path was before. Each is cut between characters to the 259
  // bytes of the path and not found.
  const std::string chinese = "C:\\" + Repeat("录", 120) + ".wav";
  const std::string ascii = "C:\\" + std::string(300, 'a') + ".wav";
  for (const std::string& path : {chinese, ascii}) {
    CreateMainWindow(path.c_str());
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, MciErrorCaption("Open device"));
    EXPECT_EQ(boxes[0].text, MciErrorText(MCIERR_FILE_NOT_FOUND));
    EXPECT_FALSE(player.isOpen);
    EXPECT_EQ(Caption(), "Dorvane");
    const std::string tried = Sent(MCI_OPEN).back().element;
    EXPECT_LE(tried.size(), 259u);
    EXPECT_GE(tried.size(), 256u);
    EXPECT_EQ(tried, path.substr(0, tried.size()));
    EXPECT_TRUE(IsValidUtf8(tried));
    DestroyMainWindow();
    dialogs.Clear();
  }
}

class AnyLanguageOptionsTest : public SettingsTest {};

TEST_F(AnyLanguageOptionsTest, ACyrillicFileValueIsReadAndWrittenBackTheSame) {
  WriteBytes(DefaultFile(), "NumLoops=4\r\nFile=C:\\записи\\интервью.wav\r\n");
  CreateMainWindow();
  EXPECT_EQ(std::string(player.mediaPath), "C:\\записи\\интервью.wav");
  DestroyMainWindow();
  EXPECT_NE(ReadBytes(DefaultFile()).find("\r\nFile=C:\\записи\\интервью.wav\r\n"), std::string::npos);
}

TEST_F(AnyLanguageOptionsTest, ALegacyFileValueIsConvertedAndWrittenBackInUtf8) {
  const LegacySample* sample = SampleOfThisSystem();
  if (sample == nullptr) GTEST_SKIP() << "no sample for the legacy code page " << LegacyCodePage();
  WriteBytes(DefaultFile(), "File=C:\\" + std::string(sample->bytes) + ".wav\r\n");
  CreateMainWindow();
  const std::string want = "C:\\" + std::string(sample->utf8) + ".wav";
  EXPECT_EQ(std::string(player.mediaPath), want);
  DestroyMainWindow();
  EXPECT_NE(ReadBytes(DefaultFile()).find("\r\nFile=" + want + "\r\n"), std::string::npos);
}

}  // namespace
