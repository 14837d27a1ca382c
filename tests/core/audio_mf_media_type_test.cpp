#include "audio/mf_media_type.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::string Be32(std::uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
std::string Be64(std::uint64_t v) { return Be32(static_cast<std::uint32_t>(v >> 32)) + Be32(static_cast<std::uint32_t>(v)); }
std::string Box(const std::string& type, const std::string& body) {
  return Be32(static_cast<std::uint32_t>(body.size() + 8)) + type + body;
}
std::string Track(const char* handler, std::uint32_t timescale, const std::string& edits) {
  const std::string hdlr = Box("hdlr", Be32(0) + Be32(0) + handler + std::string(12, '\0'));
  const std::string mdhd = Box("mdhd", Be32(0) + Be32(0) + Be32(0) + Be32(timescale) + Be32(0) + Be32(0));
  return Box("trak", Box("tkhd", std::string(84, '\0')) + edits + Box("mdia", mdhd + hdlr));
}
std::string Elst32(std::int32_t mediaTime) {
  return Box("edts", Box("elst", Be32(0) + Be32(1) + Be32(1000) + Be32(static_cast<std::uint32_t>(mediaTime)) + Be32(0x10000)));
}

std::uint64_t Priming(const std::string& file, int rate) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(file.data());
  return Mp4AudioPrimingFrames(file.size(), MemoryReader({p, file.size()}), rate);
}

}  // namespace

TEST(MfMediaType, DecodedTypesThatThePlayerTakes) {
  struct Case {
    MfTypeFields type;
    bool taken;
  } cases[] = {
      {{true, true, 16, 2, 48000, 4}, true},
      {{true, true, 16, 1, 8000, 0}, true},  // no block alignment given
      {{true, true, 24, 2, 48000, 6}, false},
      {{true, false, 16, 2, 48000, 4}, false},   // not PCM
      {{false, true, 16, 2, 48000, 4}, false},   // not sound
      {{true, true, 16, 6, 48000, 12}, false},   // 5.1 that was not folded
      {{true, true, 16, 0, 48000, 0}, false},
      {{true, true, 16, 2, 0, 4}, false},
      {{true, true, 16, 2, 4000000, 4}, false},
      {{true, true, 16, 2, 44100, 3}, false},  // alignment that disagrees
  };
  for (const Case& c : cases) {
    const auto format = CheckMfPcmType(c.type);
    EXPECT_EQ(format.has_value(), c.taken) << c.type.channels << " " << c.type.sampleRate << " " << c.type.blockAlign;
    if (format) EXPECT_EQ(format->channels * 1000000 + format->sampleRate, int(c.type.channels) * 1000000 + int(c.type.sampleRate));
  }
}

TEST(MfMediaType, LengthsAndTimeStamps) {
  EXPECT_EQ(MfDurationFrames(120'000'000, 48000), 576000u);
  EXPECT_EQ(MfDurationFrames(120'213'333, 48000), 577024u);  // rounded to the nearest frame
  EXPECT_FALSE(MfDurationFrames(0, 48000));
  EXPECT_FALSE(MfDurationFrames(1, 8000));  // less than a frame
  EXPECT_FALSE(MfDurationFrames(UINT64_MAX, 48000));
  EXPECT_TRUE(MfDurationFrames(864'000'000'000, 192000));  // a whole day fits
  EXPECT_EQ(MfStampFrame(-213'333, 48000), -1024);
  EXPECT_EQ(MfStampFrame(INT64_MAX, 192000), MfStampFrame(2 * 864'000'000'000, 192000));  // no overflow
  for (const std::uint64_t frame : {0ull, 1ull, 47999ull, 48000ull, 59232ull, 4'147'200'000ull})
    EXPECT_EQ(MfStampFrame(MfFrameHns(frame, 48000), 48000), static_cast<std::int64_t>(frame)) << frame;
}

// Where a decoded buffer goes, by its time stamp against the frame due next.
TEST(MfMediaType, BuffersArePlacedByTheirTimeStamps) {
  const MfPcmFormat stereo{2, 48000};
  constexpr std::int64_t kMs = 10'000;
  struct Case {
    const char* name;
    std::optional<std::int64_t> stamp;
    std::size_t bytes;
    std::uint64_t next;
    bool valid;
    std::uint64_t silence;
    std::size_t drop, keep;
  } cases[] = {
      {"on time", 1000 * kMs, 4096, 48000, true, 0, 0, 1024},
      {"no stamp follows on", std::nullopt, 4096, 48000, true, 0, 0, 1024},
      {"before a seek's target", 990 * kMs, 4096, 48000, true, 0, 480, 544},
      {"wholly before the target", 900 * kMs, 4096, 48000, true, 0, 1024, 0},
      {"half a second late: a gap", 1500 * kMs, 4096, 48000, true, 24000, 0, 1024},
      {"a stamp far ahead is wrong", 5000 * kMs, 4096, 48000, true, 0, 0, 1024},
      {"a stamp far behind is wrong", 0, 4096, 20 * 48000, true, 0, 0, 1024},
      {"priming before 0", -213'333, 4096, 0, true, 0, 1024, 0},
      {"not whole frames", 1000 * kMs, 4094, 48000, false, 0, 0, 0},
      {"larger than any decoder gives", 1000 * kMs, kMfMaxBufferBytes + 4, 48000, false, 0, 0, 0},
      {"empty", 1000 * kMs, 0, 48000, true, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto place = PlaceMfBuffer(c.stamp, c.bytes, stereo, c.next);
    ASSERT_EQ(place.has_value(), c.valid);
    if (!place) continue;
    EXPECT_EQ(place->silence, c.silence);
    EXPECT_EQ(place->drop, c.drop);
    EXPECT_EQ(place->keep, c.keep);
  }
}

// Right after a seek, a buffer decoded before it is told by its stamp.
TEST(MfMediaType, BuffersFromBeforeASeekAreToldByTheirStamps) {
  constexpr std::int64_t kMs = 10'000;
  constexpr std::uint64_t kLead = 4800;  // 100 ms at 48 kHz
  struct Case {
    const char* name;
    std::int64_t stamp;
    std::uint64_t target;
    bool leftover;
  } cases[] = {
      {"the seek's first buffer, a packet before where the reader was sent", 1100 * kMs, 1234 * 48, false},
      {"a buffer over the target", 1230 * kMs, 1234 * 48, false},
      {"a buffer at the target", 1234 * kMs, 1234 * 48, false},
      {"one just after the target: the place before the seek", 1240 * kMs, 1234 * 48, true},
      {"seconds after: the place before a seek back", 6789 * kMs, 1234 * 48, true},
      {"within the lead at the start of the file", 80 * kMs, 20 * 48, false},
      {"after the lead at the start of the file", 150 * kMs, 20 * 48, true},
      {"behind, within what is dropped into place", -2000 * kMs + 12000 * kMs, 12000 * 48, false},
      {"further behind than any buffer is dropped", 500 * kMs, 12000 * 48, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MfLeftoverOfSeek(c.stamp, 48000, c.target, kLead), c.leftover);
  }
}

TEST(MfMediaType, Mp4PrimingFromTheSoundTracksEditList) {
  const std::string ftyp = Box("ftyp", "M4A " + Be32(0));
  const std::string sound = Track("soun", 48000, Elst32(1024));
  const std::string wide = Box("trak", Box("edts", Box("elst", Be32(0x01000000) + Be32(1) + Be64(1000) + Be64(2112) + Be32(0x10000))) +
                                           Box("mdia", Box("mdhd", Be32(0x01000000) + Be64(0) + Be64(0) + Be32(44100) + Be64(0)) +
                                                           Box("hdlr", Be32(0) + Be32(0) + "soun" + std::string(12, '\0'))));
  struct Case {
    const char* name;
    std::string file;
    int rate;
    std::uint64_t frames;
  } cases[] = {
      {"AAC in m4a", ftyp + Box("moov", sound) + Box("mdat", "xx"), 48000, 1024},
      {"index after the sound", ftyp + Box("mdat", std::string(100, 'x')) + Box("moov", sound), 48000, 1024},
      {"after a picture track", ftyp + Box("moov", Track("vide", 90000, Elst32(3000)) + sound), 48000, 1024},
      {"decoded at another rate", ftyp + Box("moov", sound), 24000, 512},
      {"64-bit edit list", ftyp + Box("moov", wide), 44100, 2112},
      {"an empty edit first", ftyp + Box("moov", Track("soun", 48000, Box("edts", Box("elst", Be32(0) + Be32(2) + Be32(500) + Be32(0xFFFFFFFF) + Be32(0x10000) + Be32(1000) + Be32(1024) + Be32(0x10000))))), 48000, 1024},
      {"no edit list", ftyp + Box("moov", Track("soun", 48000, "")), 48000, 0},
      {"no sound track", ftyp + Box("moov", Track("vide", 90000, Elst32(3000))), 48000, 0},
      {"an edit longer than a second", ftyp + Box("moov", Track("soun", 48000, Elst32(96000))), 48000, 0},
      {"not MP4 at all", "OggS" + std::string(200, '\0'), 48000, 0},
      {"a box larger than its file", ftyp + Be32(0xFFFFFF00) + "moov" + sound, 48000, 0},
      {"a box of size 4", ftyp + Be32(4) + "moov" + sound, 48000, 0},
      {"cut inside the edit list", (ftyp + Box("moov", sound)).substr(0, 60), 48000, 0},
      {"zero time scale", ftyp + Box("moov", Track("soun", 0, Elst32(1024))), 48000, 0},
      {"empty file", "", 48000, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Priming(c.file, c.rate), c.frames);
  }
}

// What an MP4's sound samples hold, from their durations (stts), whatever
// the length headers say: the reader weighs where a stream ends against it.
TEST(MfMediaType, Mp4SoundSamplesTimeFromTheSampleTable) {
  const std::string ftyp = Box("ftyp", "M4A " + Be32(0));
  auto track = [](const char* handler, std::uint32_t timescale, const std::string& entries, std::uint32_t count) {
    const std::string stts = Box("stts", Be32(0) + Be32(count) + entries);
    const std::string mdhd = Box("mdhd", Be32(0) + Be32(0) + Be32(0) + Be32(timescale) + Be32(999999) + Be32(0));
    const std::string hdlr = Box("hdlr", Be32(0) + Be32(0) + handler + std::string(12, '\0'));
    return Box("trak", Box("mdia", mdhd + hdlr + Box("minf", Box("stbl", stts))));
  };
  const std::string aac = track("soun", 48000, Be32(562) + Be32(1024) + Be32(1) + Be32(512), 2);  // 12 s, whatever mdhd says
  struct Case {
    const char* name;
    std::string file;
    int rate;
    std::optional<std::uint64_t> frames;
  } cases[] = {
      {"AAC in m4a", ftyp + Box("moov", aac), 48000, 576000},
      {"decoded at another rate", ftyp + Box("moov", aac), 44100, 529200},
      {"after a picture track", ftyp + Box("moov", track("vide", 90000, Be32(10) + Be32(9000), 1) + aac), 48000, 576000},
      {"no sample table", ftyp + Box("moov", Track("soun", 48000, "")), 48000, std::nullopt},
      {"more entries than the box holds", ftyp + Box("moov", track("soun", 48000, Be32(1) + Be32(1024), 2)), 48000, std::nullopt},
      {"no sound track", ftyp + Box("moov", track("vide", 90000, Be32(10) + Be32(9000), 1)), 48000, std::nullopt},
      {"not MP4 at all", "fLaC" + std::string(200, '\0'), 48000, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto* p = reinterpret_cast<const std::uint8_t*>(c.file.data());
    EXPECT_EQ(Mp4SoundSampleFrames(c.file.size(), MemoryReader({p, c.file.size()}), c.rate), c.frames);
  }
}
