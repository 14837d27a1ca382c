// The media Open dialog's file types: gathered from the system's registry key
// and profile section, written into mediaFilter, and the entry the real
// dialog starts on.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/player_state.h"
#include "audio/mf_check.h"
#include "filesel/file_dialogs.h"
#include "filesel/media_types.h"
#include "res/resource.h"
#include "support/main_window_fixture.h"

namespace {

constexpr char kTestKey[] = "Software\\Dorvane tests\\MCI Extensions";
constexpr char kTestSection[] = "dorvane test extensions";

// The strings of a filter list, up to the empty string that ends it.
std::vector<std::string> FilterStrings(const char* filter, std::size_t size) {
  std::vector<std::string> strings;
  std::size_t at = 0;
  while (at < size && filter[at] != '\0') {
    const std::string s(filter + at, strnlen(filter + at, size - at));
    strings.push_back(s);
    at += s.size() + 1;
  }
  return strings;
}

// What the media Open dialog's file-type list shows as selected.
int selectedFileType = -2;
std::wstring selectedFileTypeText;

void CALLBACK ReadFileTypeAndCancel(HWND dialog, UINT, UINT_PTR id, DWORD) {
  KillTimer(dialog, id);
  HWND types = GetDlgItem(dialog, cmb1);
  selectedFileType = static_cast<int>(SendMessageW(types, CB_GETCURSEL, 0, 0));
  wchar_t text[200] = L"";
  if (selectedFileType >= 0) SendMessageW(types, CB_GETLBTEXT, selectedFileType, reinterpret_cast<LPARAM>(text));
  selectedFileTypeText = text;
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

// Every entry of the dialog's file-type list, as the dialog shows it.
std::vector<std::wstring> fileTypeList;

void CALLBACK ReadFileTypeListAndCancel(HWND dialog, UINT, UINT_PTR id, DWORD) {
  ReadFileTypeAndCancel(dialog, 0, id, 0);
  HWND types = GetDlgItem(dialog, cmb1);
  fileTypeList.clear();
  const int count = static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[1000] = L"";
    if (SendMessageW(types, CB_GETLBTEXTLEN, i, 0) < 1000) SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    fileTypeList.emplace_back(text);
  }
}

const MediaTypeEntry* Row(const MediaTypeTable& table, const std::string& deviceType) {
  for (int i = 0; i < table.count; ++i) {
    if (table.rows[i].deviceType == deviceType) return &table.rows[i];
  }
  return nullptr;
}

class MediaFilterTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    mediaTypes = MediaTypeTable{};
    std::fill(std::begin(mediaFilter), std::end(mediaFilter), '\0');
    MediaOpenDialog().nFilterIndex = 0;
  }
  void TearDown() override {
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Dorvane tests");
    WriteProfileStringA(kTestSection, nullptr, nullptr);
    mediaTypes = MediaTypeTable{};
    MainWindowTest::TearDown();
  }

  void SetString(HKEY key, const char* name, const std::string& data) {
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() + 1)),
              ERROR_SUCCESS)
        << name;
  }
  std::vector<std::string> Filter() const { return FilterStrings(mediaFilter, sizeof mediaFilter); }
  // The 1-based place of a description in the filter's list.
  int EntryOf(const std::string& description) const {
    const auto strings = Filter();
    for (std::size_t i = 0; i < strings.size(); i += 2) {
      if (strings[i] == description) return static_cast<int>(i / 2 + 1);
    }
    return 0;
  }
};

TEST_F(MediaFilterTest, WineRegistryGivesOneFileTypePerDevice) {
  player.mediaPath = "C:\\talks\\a12.wav";
  BuildMediaFilter();

  ASSERT_GE(mediaTypeCount, 4);
  EXPECT_EQ(mediaTypeCount, mediaTypes.count);
  const MediaTypeEntry* wave = Row(mediaTypes, "WaveAudio");
  ASSERT_NE(wave, nullptr);
  EXPECT_EQ(wave->patterns, "*.wav;");
  ASSERT_NE(Row(mediaTypes, "MPEGVideo"), nullptr);
  const MediaTypeEntry* midi = Row(mediaTypes, "Sequencer");
  ASSERT_NE(midi, nullptr);
  EXPECT_NE(midi->patterns.find("*.mid;"), std::string::npos);

  const auto strings = Filter();
  ASSERT_GE(strings.size(), 4u);
  EXPECT_EQ(strings.size() % 2, 0u);
  EXPECT_EQ(strings[strings.size() - 2], "All Files (*.*)");
  EXPECT_EQ(strings.back(), "*.*");
  const int waveEntry = EntryOf("WaveAudio (*.wav)");
  ASSERT_NE(waveEntry, 0);
  EXPECT_EQ(strings[2 * waveEntry - 1], "*.wav");
  EXPECT_EQ(static_cast<int>(MediaOpenDialog().nFilterIndex), waveEntry);
}

// Wine's key lists eleven MPEGVideo extensions before mp3: a row must hold
// more than 49 characters of patterns for mp3 files to be listed under it.
TEST_F(MediaFilterTest, Mp3FilesAreListedUnderMPEGVideo) {
  player.mediaPath = "C:\\talks\\a12.mp3";
  BuildMediaFilter();
  const MediaTypeEntry* mpeg = Row(mediaTypes, "MPEGVideo");
  ASSERT_NE(mpeg, nullptr);
  EXPECT_NE(mpeg->patterns.find("*.mp3;"), std::string::npos) << mpeg->patterns;
  const std::string patterns = mpeg->patterns.substr(0, mpeg->patterns.size() - 1);
  EXPECT_EQ(static_cast<int>(MediaOpenDialog().nFilterIndex), EntryOf("MPEGVideo (" + patterns + ")"));
}

TEST_F(MediaFilterTest, TheSystemProfileSectionAddsTypesAfterTheRegistrys) {
  ASSERT_TRUE(WriteProfileStringA("mci extensions", "dvx", "DorvaneTestType"));
  player.mediaPath = "C:\\talks\\a12.dvx";
  BuildMediaFilter();
  WriteProfileStringA("mci extensions", "dvx", nullptr);
  ASSERT_GE(mediaTypeCount, 2);
  EXPECT_EQ(mediaTypes.rows[mediaTypeCount - 1].deviceType, "DorvaneTestType");
  EXPECT_EQ(mediaTypes.rows[mediaTypeCount - 1].patterns, "*.dvx;");
  EXPECT_EQ(static_cast<int>(MediaOpenDialog().nFilterIndex), EntryOf("DorvaneTestType (*.dvx)"));
}

TEST_F(MediaFilterTest, TheStartingEntryFollowsTheLastMediaFilesExtension) {
  player.mediaPath = "C:\\talks\\a12.mid";
  BuildMediaFilter();
  const MediaTypeEntry* midi = Row(mediaTypes, "Sequencer");
  ASSERT_NE(midi, nullptr);
  const std::string patterns = midi->patterns.substr(0, midi->patterns.size() - 1);
  EXPECT_EQ(static_cast<int>(MediaOpenDialog().nFilterIndex), EntryOf("Sequencer (" + patterns + ")"));

  // No dot: the row that lists wave files. A dot only in a directory: All Files.
  mediaTypes = MediaTypeTable{};
  player.mediaPath = "C:\\talks\\notes";
  BuildMediaFilter();
  EXPECT_EQ(static_cast<int>(MediaOpenDialog().nFilterIndex), EntryOf("WaveAudio (*.wav)"));
  mediaTypes = MediaTypeTable{};
  player.mediaPath = "C:\\my.dir\\notes";
  BuildMediaFilter();
  EXPECT_EQ(static_cast<int>(MediaOpenDialog().nFilterIndex), EntryOf("All Files (*.*)"));
}

TEST_F(MediaFilterTest, RegistryValuesThatAreNoStringsOrTooLongArePassedOver) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kTestKey, &key), ERROR_SUCCESS);
  SetString(key, "wav", "WaveAudio");
  const DWORD number = 7;
  RegSetValueExA(key, "num", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  SetString(key, std::string(60, 'x').c_str(), "WaveAudio");   // name beyond 49 characters
  SetString(key, "big", std::string(40, 'T'));                 // data beyond 30 bytes
  SetString(key, "snd", "WaveAudio");
  SetString(key, "mid", "Sequencer");
  SetString(key, "rmi", "sequencer");                          // differs only in case: a row of its own
  RegCloseKey(key);

  MediaTypeTable table;
  AddRegistryMediaTypes(table, HKEY_CURRENT_USER, kTestKey);
  ASSERT_EQ(table.count, 3);
  ASSERT_NE(Row(table, "WaveAudio"), nullptr);
  const std::string wave = Row(table, "WaveAudio")->patterns;  // in the order the key lists them
  EXPECT_TRUE(wave == "*.wav;*.snd;" || wave == "*.snd;*.wav;") << wave;
  ASSERT_NE(Row(table, "Sequencer"), nullptr);
  EXPECT_EQ(Row(table, "Sequencer")->patterns, "*.mid;");
  ASSERT_NE(Row(table, "sequencer"), nullptr);
  EXPECT_EQ(Row(table, "sequencer")->patterns, "*.rmi;");

  // A key that does not open adds nothing.
  MediaTypeTable none;
  AddRegistryMediaTypes(none, HKEY_CURRENT_USER, "Software\\Dorvane tests\\no such key");
  EXPECT_EQ(none.count, 0);
}

TEST_F(MediaFilterTest, ProfileLinesAddTypesAfterTheRegistryAndLongSectionsAreCut) {
  ASSERT_TRUE(WriteProfileStringA(kTestSection, "wav", "WaveAudio"));
  ASSERT_TRUE(WriteProfileStringA(kTestSection, "voc", "DorvaneVoice"));
  MediaTypeTable table;
  AddMediaExtension(table, "mp3", "MPEGVideo");
  AddProfileMediaTypes(table, kTestSection);
  ASSERT_EQ(table.count, 3);
  EXPECT_EQ(table.rows[1].deviceType, "WaveAudio");
  EXPECT_EQ(table.rows[2].deviceType, "DorvaneVoice");
  EXPECT_EQ(table.rows[2].patterns, "*.voc;");

  // A section far beyond 1000 bytes: what fits is used, nothing overflows.
  for (int i = 0; i < 120; ++i) {
    const std::string name = "e" + std::to_string(i);
    WriteProfileStringA(kTestSection, name.c_str(), ("Type" + std::to_string(i)).c_str());
  }
  MediaTypeTable many;
  AddProfileMediaTypes(many, kTestSection);
  EXPECT_GT(many.count, 20);
  EXPECT_LE(many.count, 60);
  const MediaFilter filter = BuildMediaFilterText(many, "x.e5");
  EXPECT_LE(filter.text.size(), 800u);
  EXPECT_EQ(filter.text.substr(filter.text.size() - 21), std::string("All Files (*.*)\0*.*\0\0", 21));
}

TEST_F(MediaFilterTest, TheMediaOpenDialogStartsOnTheLastFilesType) {
  CreateMainWindow("");
  mediaTypes = MediaTypeTable{};
  player.mediaPath = (programDir + "\\talk.mid").c_str();
  BuildMediaFilter();
  const int expected = static_cast<int>(MediaOpenDialog().nFilterIndex);
  ASSERT_GT(expected, 1);  // Sequencer is not the first row under Wine

  // The file-type list is read once the dialog has finished setting itself
  // up, on a timer its own modal loop delivers.
  dialogs.Then([](HWND dialog) { SetTimer(dialog, 1, 100, ReadFileTypeAndCancel); });
  Call(WM_COMMAND, MAKEWPARAM(IDM_OPEN, 0));
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  EXPECT_EQ(dialogs.Caught()[0].caption, "Open sound file");
  EXPECT_EQ(selectedFileType, expected - 1);
  EXPECT_EQ(selectedFileTypeText.rfind(L"Sequencer (", 0), 0u) << selectedFileTypeText.size();
  EXPECT_FALSE(player.isOpen);  // cancelled
}

// The formats the own device plays are checked with this system's Media
// Foundation when the Open dialog first shows, not at start: under Wine 8
// with gstreamer every one but wma decodes. The dialog then lists those the
// system's types lack under Recordings, and every media type under "All
// media files" before "All Files (*.*)".
TEST_F(MediaFilterTest, TheOpenDialogAddsTheFormatsThisSystemDecodes) {
  const std::vector<std::string_view> decoded = MfDecodedExtensions();
  const struct {
    const char* extension;
    bool decodes;
  } formats[] = {{"m4a", true}, {"aac", true}, {"mp4", true}, {"m4v", true}, {"3gp", true}, {"amr", true},
                 {"wma", false}, {"flac", true}, {"ogg", true}, {"oga", true}, {"opus", true}, {"webm", true}};
  for (const auto& f : formats) {
    EXPECT_EQ(std::find(decoded.begin(), decoded.end(), f.extension) != decoded.end(), f.decodes) << f.extension;
  }

  CreateMainWindow("");
  mediaTypes = MediaTypeTable{};
  player.mediaPath = (programDir + "\\memo.opus").c_str();
  BuildMediaFilter();
  EXPECT_EQ(Row(mediaTypes, "Recordings"), nullptr);  // nothing asked at start
  const int systemRows = mediaTypeCount;

  dialogs.Then([](HWND dialog) { SetTimer(dialog, 1, 100, ReadFileTypeListAndCancel); });
  Call(WM_COMMAND, MAKEWPARAM(IDM_OPEN, 0));
  ASSERT_EQ(dialogs.Caught().size(), 1u);
  ASSERT_EQ(mediaTypeCount, systemRows + 1);
  const MediaTypeEntry* own = Row(mediaTypes, "Recordings");
  ASSERT_NE(own, nullptr);
  std::string listed;
  for (int i = 0; i < mediaTypeCount; ++i) listed += mediaTypes.rows[i].patterns;
  for (const auto& f : formats) {
    const std::string pattern = "*." + std::string(f.extension) + ";";
    // Listed once: by the system's types (Wine's list has wma and mp4) or by Recordings.
    if (f.decodes) EXPECT_NE(listed.find(pattern), std::string::npos) << pattern;
    if (!f.decodes) EXPECT_EQ(own->patterns.find(pattern), std::string::npos) << pattern;
  }

  const auto strings = Filter();
  ASSERT_GE(strings.size(), 6u);
  EXPECT_NE(strings[strings.size() - 3].find("*.wav;"), std::string::npos);  // "All media files"
  EXPECT_NE(strings[strings.size() - 3].find(";*.opus"), std::string::npos);
  // The real dialog shows them, starting on the opus recording's row.
  ASSERT_EQ(fileTypeList.size(), strings.size() / 2);
  EXPECT_EQ(fileTypeList[fileTypeList.size() - 2], L"All media files");
  EXPECT_EQ(fileTypeList.back(), L"All Files (*.*)");
  EXPECT_EQ(selectedFileType, systemRows);
  EXPECT_EQ(selectedFileTypeText.rfind(L"Recordings (", 0), 0u);
}

}  // namespace
