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

TEST_F(AnyLanguageMediaTest, ANameKeeps49LettersOfAnyScriptAndALongerOneIsShortenedWithAWord) {
  StartWithFile(AddFile("talk.wav", 60000));
  struct Case {
    std::string typed, kept;
  } cases[] = {{Repeat("ж", 49), Repeat("ж", 49)}, {Repeat("录", 60), Repeat("录", 49)}};
  for (const Case& c : cases) {
    dialogs.Clear();
    AddNamed(c.typed);
    std::vector<CaughtDialog> boxes;  // the message boxes, not the name dialog
    for (const auto& d : Boxes()) {
      if (!d.text.empty()) boxes.push_back(d);
    }
    ASSERT_EQ(boxes.size(), c.typed == c.kept ? 0u : 1u);
    if (!boxes.empty()) {
      EXPECT_EQ(boxes[0].caption, "Bookmark name shortened");
    }
  }
  EXPECT_EQ(BookmarkItems(), (std::vector<std::wstring>{Wide(cases[0].kept) + L"\t 0:00.000",
                                                        Wide(cases[1].kept) + L"\t 0:00.000"}));
  Command(IDM_CLOSE);
  EXPECT_EQ(ReadFileW(TempFile("talk.wav.BMK")),
            cases[0].kept + "\t 0:00.000\r\n" + cases[1].kept + "\t 0:00.000\r\n");
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

TEST_F(AnyLanguageMediaTest, TheOpenDialogTakesCyrillicNamesUpToTheSystemsLimit) {
  CreateMainWindow();
  // 160 letters are 320 bytes of UTF-8, more than the 260 bytes that paths once
  // had (in two folders: a Unix name holds at most 255 bytes).
  const std::string folder = TempFile(Repeat("ж", 100));
  CreateDirectoryW(Wide(folder).c_str(), nullptr);
  for (const std::string name : {TempFile("запись 2.wav"), folder + "\\" + Repeat("ж", 60) + ".wav"}) {
    const std::string media = AddFile(name, 60000);
    WriteFileW(media, "RIFF");
    dialogs.Then([media](HWND dialog) {
      for (int id : {0x480, 0x47c}) {  // the name box: edit edt1 or combo box cmb13
        if (GetDlgItem(dialog, id) != nullptr) SetDlgItemTextW(dialog, id, Wide(media).c_str());
      }
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Command(IDM_OPEN);
    ASSERT_TRUE(player.isOpen) << media.size();
    EXPECT_EQ(std::string(player.mediaPath), media);
    EXPECT_EQ(WindowTextW(window), L"Dorvane: " + Wide(media));
    EXPECT_EQ(Sent(MCI_OPEN).back().element, media);
  }
  // A cancelled dialog leaves the path in force as it was.
  const std::string before = player.mediaPath;
  Command(IDM_OPEN);
  EXPECT_EQ(player.mediaPath, before);
}

TEST_F(AnyLanguageMediaTest, LongPathsAreTriedWholeAndAPathBeyondTheSystemsLimitGetsItsMessage) {
  // 200 Cyrillic letters are 400 bytes; 300 are beyond what the system takes.
  const std::string opens = AddFile(Repeat("ж", 200) + ".wav", 60000);
  const std::string tooLong = "C:\\" + Repeat("ж", 300) + ".wav";
  for (const std::string& path : {opens, tooLong}) {
    CreateMainWindow(("\"" + path + "\"").c_str());
    EXPECT_EQ(Sent(MCI_OPEN).back().element, path) << "never cut into another file's name";
    const bool open = path == opens;
    EXPECT_EQ(static_cast<bool>(player.isOpen), open);
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), open ? 0u : 1u);
    if (!open) {
      EXPECT_EQ(boxes[0].caption, MciErrorCaption("Open device"));
    }
    EXPECT_EQ(Caption(), open ? "Dorvane: " + path : "Dorvane");
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
