#include "audio/mf_formats.h"

#include <gtest/gtest.h>

#include <string>

// Each extension is checked with a clip of the format its files hold, so
// that the Open dialog lists an extension exactly when its files decode:
// the clip's first bytes name its container (and, for Ogg, its codec).
TEST(MfFormats, EachExtensionIsCheckedWithAClipOfItsFormat) {
  const struct {
    std::string_view extension;
    std::string_view signature;
    std::size_t at;
  } expected[] = {
      {"m4a", "ftyp", 4}, {"aac", "\xFF", 0}, {"mp4", "ftyp", 4}, {"m4v", "ftyp", 4},
      {"3gp", "ftyp", 4}, {"amr", "#!AMR\n", 0}, {"wma", "\x30\x26\xB2\x75", 0}, {"flac", "fLaC", 0},
      {"ogg", "\x01vorbis", 28}, {"oga", "\x01vorbis", 28}, {"opus", "OpusHead", 28}, {"webm", "\x1A\x45\xDF\xA3", 0},
  };
  const auto formats = MfFormats();
  ASSERT_EQ(formats.size(), std::size(expected));
  for (std::size_t i = 0; i < formats.size(); ++i) {
    SCOPED_TRACE(expected[i].extension);
    EXPECT_EQ(formats[i].extension, expected[i].extension);
    const std::string clip(formats[i].clip.begin(), formats[i].clip.end());
    EXPECT_EQ(clip.substr(expected[i].at, expected[i].signature.size()), expected[i].signature);
    if (expected[i].extension == "webm") EXPECT_NE(clip.find("webm"), std::string::npos);  // not Matroska at large
  }
}
