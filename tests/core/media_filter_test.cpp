#include "filesel/media_filter.h"

#include <gtest/gtest.h>

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

// The own device's formats join the list after the system's types, each
// once: an extension the system lists already (in any case) is not repeated.
TEST(MediaFilter, OwnDeviceFormatsFollowTheSystemsTypesOnce) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, const char*>> system;
    const char* ownRow;  // the patterns of the added row
  } cases[] = {
      {"nothing listed", {}, "*.m4a;*.aac;*.mp4;*.m4v;*.3gp;*.amr;*.wma;*.flac;*.ogg;*.oga;*.opus;*.webm;"},
      {"Wine's list", {{"wav", "WaveAudio"}, {"mp3", "MPEGVideo"}, {"wma", "MPEGVideo"}, {"MP4", "MPEGVideo"}},
       "*.m4a;*.aac;*.m4v;*.3gp;*.amr;*.flac;*.ogg;*.oga;*.opus;*.webm;"},
      {"a row of the same name", {{"m4a", "Recordings"}},
       "*.m4a;*.aac;*.mp4;*.m4v;*.3gp;*.amr;*.wma;*.flac;*.ogg;*.oga;*.opus;*.webm;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MediaTypeTable table;
    for (const auto& [ext, type] : c.system) AddMediaExtension(table, ext, type);
    const int before = table.count;
    AddOwnDeviceExtensions(table);
    AddOwnDeviceExtensions(table);  // twice changes nothing
    const bool ownRowIsNew = std::string(c.name) != "a row of the same name";
    ASSERT_EQ(table.count, before + (ownRowIsNew ? 1 : 0));
    EXPECT_EQ(table.rows[static_cast<std::size_t>(table.count - 1)].deviceType, "Recordings");
    EXPECT_EQ(table.rows[static_cast<std::size_t>(table.count - 1)].patterns, c.ownRow);
    const MediaFilter filter = BuildMediaFilterText(table, "C:\\memo.opus");
    EXPECT_EQ(filter.defaultIndex, table.count);  // an opus opens with its own row chosen
  }
}
