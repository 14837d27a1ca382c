#include "playback/media_name.h"

#include <gtest/gtest.h>

TEST(DetectCdTrack, ElevenCharacterTrackNamesInAnyCase) {
  for (const char* path : {"E:\\Track03.cda", "E:\\TRACK03.CDA", "E:\\cd\\tRaCk03.CdA"}) {
    const CdTrack cd = DetectCdTrack(path);
    EXPECT_TRUE(cd.isTrack && cd.drive == "E:" && cd.track == 3) << path;
  }
  for (const char* path : {"E:\\Track3.cda", "E:\\Track003.cda", "E:\\Track03.wav", "E:\\Track03.cda\\a.wav", ""})
    EXPECT_FALSE(DetectCdTrack(path).isTrack) << path;
}

TEST(DetectCdTrack, NoBackslashUsesWholePathAndNumberIsReadAsAtoi) {
  const CdTrack bare = DetectCdTrack("Track07.cda");
  EXPECT_TRUE(bare.isTrack && bare.drive == "Tr" && bare.track == 7);
  const struct { const char* path; int track; } cases[] = {
      {"D:\\Track12.cda", 12}, {"D:\\Track 7.cda", 7}, {"D:\\Track+7.cda", 7},
      {"D:\\Track-7.cda", -7}, {"D:\\Track7x.cda", 7}, {"D:\\Trackxx.cda", 0}};
  for (const auto& c : cases) EXPECT_EQ(DetectCdTrack(c.path).track, c.track) << c.path;
}
