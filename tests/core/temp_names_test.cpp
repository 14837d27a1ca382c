#include "app/temp_names.h"

#include <gtest/gtest.h>

TEST(SaveTempNames, TheWriterSpellsEveryNameTheCleanerRemoves) {
  EXPECT_EQ(SaveTempName(0), "~dv0000.tmp");
  EXPECT_EQ(SaveTempName(0xA3F), "~dv0A3F.tmp");
  EXPECT_EQ(SaveTempName(0x12345FFFF), "~dvFFFF.tmp");  // only the low 16 bits
  for (unsigned value : {0u, 1u, 0x9u, 0xAu, 0xFu, 0x10u, 0xBEEFu, 0xFFFFu}) {
    EXPECT_TRUE(IsSaveTempName(SaveTempName(value))) << value;
  }
}

TEST(SaveTempNames, NothingButTheExactNamingIsALeftover) {
  for (const char* name : {"~dv0a3f.tmp", "~DV0A3F.tmp", "~dv0A3F.TMP", "~dv0A3.tmp", "~dv0A3F0.tmp",
                           "~dvGHIJ.tmp", "~dv0A3F.tmp.BMK", "x~dv0A3F.tmp", "~dv0A3F.tm", "~dv 0A3.tmp",
                           "~dv-123.tmp", "~dv0A3F.tmpx", "default.usr", "talk.wav.BMK", ""}) {
    EXPECT_FALSE(IsSaveTempName(name)) << name;
  }
}
