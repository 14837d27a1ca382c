#include "filesel/media_filter.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

using namespace std::string_literals;

namespace {

MediaTypeTable ExampleTable() {
  MediaTypeTable table;
  AddMediaExtension(table, "wav", "waveaudio");
  AddMediaExtension(table, "mid", "sequencer");
  AddMediaExtension(table, "rmi", "sequencer");
  AddMediaExtension(table, "avi", "avivideo");
  return table;
}

const std::string kAllFiles = "All Files (*.*)\0*.*\0\0"s;

}  // namespace

TEST(MediaFilter, ExampleGivesOnePairPerDeviceTypeAndSelectsTheFilesType) {
  const MediaTypeTable table = ExampleTable();
  ASSERT_EQ(table.count, 3);
  EXPECT_EQ(table.rows[1].patterns, "*.mid;*.rmi;");
  const MediaFilter filter = BuildMediaFilterText(table, "C:\\talks\\a12.avi");
  EXPECT_EQ(filter.text,
            "waveaudio (*.wav)\0*.wav\0sequencer (*.mid;*.rmi)\0*.mid;*.rmi\0"
            "avivideo (*.avi)\0*.avi\0"s + kAllFiles);
  EXPECT_EQ(filter.defaultIndex, 3);
}

TEST(MediaFilter, NoRowsGivesTheWaveAndVideoFallback) {
  const MediaFilter filter = BuildMediaFilterText(MediaTypeTable{}, "C:\\talks\\a12.avi");
  EXPECT_EQ(filter.text,
            "Wave Audio Files (*.wav)\0*.wav\0Video for Windows (*.avi)\0*.avi\0"s + kAllFiles);
  EXPECT_EQ(filter.defaultIndex, 1);
}

TEST(MediaFilter, DefaultEntryComesFromTheLastDotOfThePath) {
  MediaTypeTable table;
  AddMediaExtension(table, "mid", "sequencer");
  AddMediaExtension(table, "rmi", "sequencer");
  AddMediaExtension(table, "wav", "waveaudio");
  AddMediaExtension(table, "snd", "waveaudio");
  EXPECT_EQ(BuildMediaFilterText(table, "C:\\talks\\notes").defaultIndex, 2);  // "*.wav"
  EXPECT_EQ(BuildMediaFilterText(table, "C:\\my.dir\\notes").defaultIndex, 3);  // All Files
  EXPECT_EQ(BuildMediaFilterText(table, "x.mi").defaultIndex, 1);    // inside "*.mid"
  EXPECT_EQ(BuildMediaFilterText(table, "a.WAV").defaultIndex, 3);   // case counts
}

TEST(AddMediaExtension, GroupsByExactDeviceTypeAndKeepsPatternsUnique) {
  MediaTypeTable table;
  AddMediaExtension(table, "mpg", "MPEGVideo");
  AddMediaExtension(table, "mpg", "MPEGVideo");
  AddMediaExtension(table, "mp3", "mpegvideo");
  AddMediaExtension(table, "mpg", "mpegvideo");
  AddMediaExtension(table, "midi", "sequencer");
  AddMediaExtension(table, "mid", "sequencer");  // "*.mid;" is not inside "*.midi;"
  AddMediaExtension(table, "mid", std::string_view("sequencer\0", 10));  // registry data with its NUL
  ASSERT_EQ(table.count, 3);
  EXPECT_EQ(table.rows[0].deviceType, "MPEGVideo");
  EXPECT_EQ(table.rows[0].patterns, "*.mpg;");
  EXPECT_EQ(table.rows[1].deviceType, "mpegvideo");
  EXPECT_EQ(table.rows[1].patterns, "*.mp3;*.mpg;");
  EXPECT_EQ(table.rows[2].patterns, "*.midi;*.mid;");
}

TEST(AddMediaExtension, LimitsNeverOverflowTheTable) {
  MediaTypeTable table;
  for (int i = 0; i <= 60; ++i) AddMediaExtension(table, "e" + std::to_string(i), "t" + std::to_string(i));
  EXPECT_EQ(table.count, 60);
  EXPECT_EQ(table.rows[59].deviceType, "t59");
  AddMediaExtension(table, "x", "t0");  // known types still take extensions
  EXPECT_EQ(table.rows[0].patterns, "*.e0;*.x;");

  MediaTypeTable t2;
  const std::size_t longest = kPatternsMax - 3;  // "*.<ext>;" exactly fills a row
  AddMediaExtension(t2, std::string(longest + 1, 'a'), "long");  // one more: no row
  EXPECT_EQ(t2.count, 0);
  AddMediaExtension(t2, "wav", "waveaudio");
  AddMediaExtension(t2, std::string(longest - 3, 'b'), "waveaudio");  // 6 + kPatternsMax - 3: left out
  AddMediaExtension(t2, "snd", "waveaudio");
  EXPECT_EQ(t2.rows[0].patterns, "*.wav;*.snd;");
  AddMediaExtension(t2, std::string(longest, 'c'), "video");
  EXPECT_EQ(t2.rows[1].patterns.size(), kPatternsMax);

  // Device types are cut to 29 characters and matched on the cut text.
  AddMediaExtension(t2, "d1", std::string(29, 'D') + "first");
  AddMediaExtension(t2, "d2", std::string(29, 'D') + "second");
  ASSERT_EQ(t2.count, 3);
  EXPECT_EQ(t2.rows[2].deviceType, std::string(29, 'D'));
  EXPECT_EQ(t2.rows[2].patterns, "*.d1;*.d2;");
}

TEST(AddProfileSection, CutsLinesAtTheFirstEqualsUpToTheEmptyLine) {
  MediaTypeTable table;
  AddMediaExtension(table, "wav", "waveaudio");  // the registry comes first
  AddProfileSection(table, "mid=sequencer\0no equals\0wav=waveaudio\0mp3=MPEG=x\0\0avi=after\0\0"s);
  ASSERT_EQ(table.count, 3);
  EXPECT_EQ(table.rows[0].patterns, "*.wav;");
  EXPECT_EQ(table.rows[1].deviceType, "sequencer");
  EXPECT_EQ(table.rows[2].deviceType, "MPEG=x");
  // A section cut by its buffer still gives the lines it holds.
  AddProfileSection(table, "rmi=sequencer\0snd=wavea"s);
  EXPECT_EQ(table.rows[1].patterns, "*.mid;*.rmi;");
  EXPECT_EQ(table.count, 4);
}

// Rows of 29-character types and 49-character patterns need 130 bytes each:
// five fill 650 of the 800, and a sixth would leave no room for "All Files".
TEST(MediaFilter, FullFilterLeavesRowsOutButCountsOnlyListedEntries) {
  MediaTypeTable table;
  for (char c = 'A'; c <= 'F'; ++c) AddMediaExtension(table, std::string(46, c), std::string(29, c));
  AddMediaExtension(table, std::string(46, 'G'), std::string(28, 'G'));  // needs 129: fills to 800
  AddMediaExtension(table, "wav", "waveaudio");                          // no room left
  ASSERT_EQ(table.count, 8);

  const MediaFilter filter = BuildMediaFilterText(table, "a.wav");
  EXPECT_EQ(filter.text.size(), kMediaFilterSize);
  ASSERT_GE(filter.text.size(), kAllFiles.size());
  EXPECT_EQ(filter.text.substr(filter.text.size() - kAllFiles.size()), kAllFiles);
  EXPECT_EQ(filter.text.find(std::string(29, 'F')), std::string::npos);
  EXPECT_NE(filter.text.find(std::string(28, 'G') + " ("), std::string::npos);
  // Listed: A to E and G, then All Files as the seventh entry.
  EXPECT_EQ(filter.defaultIndex, 7);  // wav's row was left out
  EXPECT_EQ(BuildMediaFilterText(table, "x." + std::string(46, 'F')).defaultIndex, 7);
  EXPECT_EQ(BuildMediaFilterText(table, "x." + std::string(46, 'G')).defaultIndex, 6);
  EXPECT_EQ(BuildMediaFilterText(table, "x." + std::string(46, 'B')).defaultIndex, 2);
}

// The own device's formats this system decodes join the list after the
// system's types, each once: an extension the system lists already (in any
// case) is not repeated, and none decoded adds no row.
TEST(MediaFilter, OwnDeviceFormatsFollowTheSystemsTypesOnce) {
  const std::vector<std::string_view> all{"m4a", "aac", "mp4", "m4v", "3gp", "amr",
                                          "wma", "flac", "ogg", "oga", "opus", "webm"};
  std::vector<std::string_view> wine = all;
  std::erase(wine, "wma");
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, const char*>> system;
    std::vector<std::string_view> decoded;
    const char* ownRow;  // the patterns of the added row; null for none
  } cases[] = {
      {"nothing listed", {}, all, "*.m4a;*.aac;*.mp4;*.m4v;*.3gp;*.amr;*.wma;*.flac;*.ogg;*.oga;*.opus;*.webm;"},
      {"Wine's list", {{"wav", "WaveAudio"}, {"mp3", "MPEGVideo"}, {"wma", "MPEGVideo"}, {"MP4", "MPEGVideo"}}, all,
       "*.m4a;*.aac;*.m4v;*.3gp;*.amr;*.flac;*.ogg;*.oga;*.opus;*.webm;"},
      {"Wine decodes no wma", {{"wav", "WaveAudio"}}, wine,
       "*.m4a;*.aac;*.mp4;*.m4v;*.3gp;*.amr;*.flac;*.ogg;*.oga;*.opus;*.webm;"},
      {"a row of the same name", {{"m4a", "Recordings"}}, {"opus", "m4a"}, "*.m4a;*.opus;"},
      {"Windows N decodes none", {{"wav", "WaveAudio"}}, {}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MediaTypeTable table;
    for (const auto& [ext, type] : c.system) AddMediaExtension(table, ext, type);
    const int before = table.count;
    AddOwnDeviceExtensions(table, c.decoded);
    AddOwnDeviceExtensions(table, c.decoded);  // twice changes nothing
    const bool ownRowIsNew = c.ownRow != nullptr && std::string(c.name) != "a row of the same name";
    ASSERT_EQ(table.count, before + (ownRowIsNew ? 1 : 0));
    if (c.ownRow == nullptr) continue;
    EXPECT_EQ(table.rows[static_cast<std::size_t>(table.count - 1)].deviceType, "Recordings");
    EXPECT_EQ(table.rows[static_cast<std::size_t>(table.count - 1)].patterns, c.ownRow);
    const MediaFilter filter = BuildMediaFilterText(table, "C:\\memo.opus", true);
    EXPECT_EQ(filter.defaultIndex, table.count);  // an opus opens with its own row chosen
  }
}

// "All media files" lists every pattern of the listed rows once, just
// before "All Files (*.*)"; the rows keep their places and their 800 bytes,
// and a file of no listed type still starts on "All Files (*.*)".
TEST(MediaFilter, AllMediaFilesListsEveryListedPatternOnce) {
  MediaTypeTable full;  // rows that fill the 800 bytes, as in the test above
  for (char c = 'A'; c <= 'F'; ++c) AddMediaExtension(full, std::string(46, c), std::string(29, c));
  AddMediaExtension(full, std::string(46, 'G'), std::string(28, 'G'));
  std::string fullAll;  // F's row is left out, and so are its files
  for (const char c : "ABCDEG"s) fullAll += "*." + std::string(46, c) + ";";
  fullAll.pop_back();
  const MediaTypeTable example = ExampleTable();
  MediaTypeTable shared = ExampleTable();
  AddMediaExtension(shared, "mid", "Recordings");  // listed twice, named once
  MediaTypeTable one;
  AddMediaExtension(one, "wav", "waveaudio");
  struct Case {
    const char* name;
    const MediaTypeTable& table;
    std::string path;
    std::string allMedia;  // empty: no such entry
    int defaultIndex;
  } cases[] = {
      {"example", example, "x.avi", "*.wav;*.mid;*.rmi;*.avi", 3},
      {"no listed type", example, "x.ogg", "*.wav;*.mid;*.rmi;*.avi", 5},
      {"a pattern in two rows", shared, "x.snd", "*.wav;*.mid;*.rmi;*.avi", 6},
      {"rows filling 800 bytes", full, "x.wav", fullAll, 8},
      {"one row", one, "x.wav", "", 1},
      {"no rows", MediaTypeTable{}, "x.wav", "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MediaFilter rows = BuildMediaFilterText(c.table, c.path);
    const MediaFilter filter = BuildMediaFilterText(c.table, c.path, true);
    EXPECT_LE(filter.text.size(), kMediaFilterBufferSize);
    EXPECT_EQ(filter.defaultIndex, c.defaultIndex);
    if (c.allMedia.empty()) {
      EXPECT_EQ(filter.text, rows.text);
      continue;
    }
    const std::size_t end = rows.text.size() - kAllFiles.size();
    EXPECT_EQ(filter.text.substr(0, end), rows.text.substr(0, end));  // the rows as before
    const std::string pair = filter.text.substr(end, filter.text.size() - kAllFiles.size() - end);
    EXPECT_EQ(pair.substr(0, pair.find('\0')), "All media files");
    EXPECT_EQ(pair.substr(pair.find('\0') + 1), c.allMedia + '\0');
  }
}
