#include "audio/mf_media_type.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace {

constexpr std::int64_t kHnsPerSecond = 10'000'000;
constexpr std::int64_t kHnsPerDay = 86'400 * kHnsPerSecond;

// Nearest frame of a stamp already clamped to a range where the product fits.
std::int64_t NearestFrame(std::int64_t hns, int sampleRate) {
  const std::int64_t scaled = hns * sampleRate;
  const std::int64_t half = kHnsPerSecond / 2;
  return scaled >= 0 ? (scaled + half) / kHnsPerSecond : -((-scaled + half) / kHnsPerSecond);
}

}  // namespace

std::optional<MfPcmFormat> CheckMfPcmType(const MfTypeFields& type) {
  if (!type.isAudio || !type.isPcm || type.bitsPerSample != 16) return std::nullopt;
  if (type.channels < 1 || type.channels > 2) return std::nullopt;
  if (type.sampleRate < 8000 || type.sampleRate > 192000) return std::nullopt;
  if (type.blockAlign != 0 && type.blockAlign != 2 * type.channels) return std::nullopt;
  return MfPcmFormat{static_cast<int>(type.channels), static_cast<int>(type.sampleRate)};
}

std::optional<std::uint64_t> MfDurationFrames(std::uint64_t hns, int sampleRate) {
  if (hns == 0 || hns > static_cast<std::uint64_t>(kHnsPerDay) || sampleRate <= 0) return std::nullopt;
  const auto frames = static_cast<std::uint64_t>(NearestFrame(static_cast<std::int64_t>(hns), sampleRate));
  if (frames == 0) return std::nullopt;
  return frames;
}

std::int64_t MfStampFrame(std::int64_t hns, int sampleRate) {
  return NearestFrame(std::clamp(hns, -kHnsPerDay, 2 * kHnsPerDay), sampleRate);
}

std::int64_t MfFrameHns(std::uint64_t frame, int sampleRate) {
  if (sampleRate <= 0) return 0;
  const std::uint64_t whole = frame / static_cast<std::uint64_t>(sampleRate);
  const std::uint64_t part = frame % static_cast<std::uint64_t>(sampleRate);
  return static_cast<std::int64_t>(std::min<std::uint64_t>(whole, 2 * 86'400)) * kHnsPerSecond +
         static_cast<std::int64_t>(part) * kHnsPerSecond / sampleRate;
}

std::optional<MfPlacement> PlaceMfBuffer(std::optional<std::int64_t> stampHns, std::size_t bytes,
                                         const MfPcmFormat& format, std::uint64_t nextFrame) {
  const std::size_t blockAlign = 2 * static_cast<std::size_t>(format.channels);
  if (blockAlign == 0 || format.sampleRate <= 0 || bytes > kMfMaxBufferBytes || bytes % blockAlign != 0)
    return std::nullopt;
  const std::size_t frames = bytes / blockAlign;
  MfPlacement place{0, 0, frames};
  if (!stampHns) return place;
  const std::int64_t at = MfStampFrame(*stampHns, format.sampleRate);
  const auto next = static_cast<std::int64_t>(std::min<std::uint64_t>(nextFrame, INT64_MAX / 2));
  const auto rate = static_cast<std::int64_t>(format.sampleRate);
  if (at > next && at - next <= static_cast<std::int64_t>(kMfMaxAheadMs) * rate / 1000) {
    place.silence = static_cast<std::uint64_t>(at - next);
  } else if (at < next && next - at <= static_cast<std::int64_t>(kMfMaxBehindMs) * rate / 1000) {
    place.drop = static_cast<std::size_t>(std::min<std::int64_t>(next - at, static_cast<std::int64_t>(frames)));
    place.keep = frames - place.drop;
  }
  return place;
}

bool MfLeftoverOfSeek(std::int64_t stampHns, int sampleRate, std::uint64_t target, std::uint64_t lead) {
  if (sampleRate <= 0) return false;
  const std::int64_t at = MfStampFrame(stampHns, sampleRate);
  const auto latest = static_cast<std::int64_t>(std::min<std::uint64_t>(std::max(target, lead), INT64_MAX / 2));
  const auto behind = static_cast<std::int64_t>(kMfMaxBehindMs) * sampleRate / 1000;
  return at > latest || latest - at > behind + static_cast<std::int64_t>(std::min<std::uint64_t>(lead, INT64_MAX / 4));
}

namespace {

// One box of an MP4 file: its type and where its contents lie.
struct Box {
  std::uint32_t type = 0;
  std::uint64_t body = 0, end = 0;
};

constexpr std::uint32_t Fourcc(const char (&s)[5]) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[3]));
}

std::uint64_t ReadBe64(const std::uint8_t* p) {
  return (static_cast<std::uint64_t>(ReadBe32(p)) << 32) | ReadBe32(p + 4);
}

// The first box of the given type between from and end; none when the boxes
// there do not fit inside one another. Only so many boxes are looked at.
std::optional<Box> FindBox(ByteWindow& file, std::uint64_t from, std::uint64_t end, std::uint32_t type) {
  std::uint64_t at = from;
  for (int count = 0; count < 4096 && at + 8 <= end; ++count) {
    std::uint8_t head[16];
    if (!file.Read(at, head, 8)) return std::nullopt;
    std::uint64_t size = ReadBe32(head);
    std::uint64_t body = at + 8;
    if (size == 1) {
      if (at + 16 > end || !file.Read(at + 8, head + 8, 8)) return std::nullopt;
      size = ReadBe64(head + 8);
      body = at + 16;
    } else if (size == 0) {
      size = end - at;
    }
    if (size < body - at || size > end - at) return std::nullopt;
    if (ReadBe32(head + 4) == type) return Box{type, body, at + size};
    at += size;
  }
  return std::nullopt;
}

std::optional<Box> FindPath(ByteWindow& file, const Box& in, std::initializer_list<std::uint32_t> path) {
  std::optional<Box> box = in;
  for (const std::uint32_t type : path) {
    box = FindBox(file, box->body, box->end, type);
    if (!box) return std::nullopt;
  }
  return box;
}

// A track's time units a second, if it is a sound track.
std::optional<std::uint32_t> SoundTrackTimescale(ByteWindow& file, const Box& trak) {
  std::uint8_t b[24];
  const auto hdlr = FindPath(file, trak, {Fourcc("mdia"), Fourcc("hdlr")});
  if (!hdlr || hdlr->end - hdlr->body < 12 || !file.Read(hdlr->body, b, 12) || ReadBe32(b + 8) != Fourcc("soun"))
    return std::nullopt;
  const auto mdhd = FindPath(file, trak, {Fourcc("mdia"), Fourcc("mdhd")});
  if (!mdhd || mdhd->end - mdhd->body < 24 || !file.Read(mdhd->body, b, 24)) return std::nullopt;
  const std::uint32_t timescale = b[0] == 1 ? ReadBe32(b + 20) : ReadBe32(b + 12);
  if (timescale == 0) return std::nullopt;
  return timescale;
}

// A track's skipped start in its own time units, if it is a sound track
// with an edit list that skips one.
std::optional<std::pair<std::uint64_t, std::uint32_t>> SoundTrackSkip(ByteWindow& file, const Box& trak) {
  std::uint8_t b[32];
  const auto scale = SoundTrackTimescale(file, trak);
  if (!scale) return std::nullopt;
  const std::uint32_t timescale = *scale;
  const auto elst = FindPath(file, trak, {Fourcc("edts"), Fourcc("elst")});
  if (timescale == 0 || !elst || elst->end - elst->body < 8 || !file.Read(elst->body, b, 8)) return std::nullopt;
  const bool wide = b[0] == 1;
  const std::uint64_t entrySize = wide ? 20 : 12;
  const std::uint32_t entries = ReadBe32(b + 4);
  for (std::uint32_t i = 0; i < entries && i < 8; ++i) {
    const std::uint64_t at = elst->body + 8 + i * entrySize;
    if (at + entrySize > elst->end || !file.Read(at, b, static_cast<std::size_t>(entrySize))) return std::nullopt;
    const std::int64_t mediaTime = wide ? static_cast<std::int64_t>(ReadBe64(b + 8))
                                        : static_cast<std::int32_t>(ReadBe32(b + 4));
    if (mediaTime == -1) continue;  // an empty edit: a delay, not a skip
    if (mediaTime <= 0) return std::nullopt;
    return std::make_pair(static_cast<std::uint64_t>(mediaTime), timescale);
  }
  return std::nullopt;
}

// The sum of a sound track's sample durations (its stts box), in seconds
// as a fraction: what its samples hold, whatever its headers say.
std::optional<std::pair<std::uint64_t, std::uint32_t>> SoundTrackSamplesTime(ByteWindow& file, const Box& trak) {
  const auto scale = SoundTrackTimescale(file, trak);
  const auto stts = FindPath(file, trak, {Fourcc("mdia"), Fourcc("minf"), Fourcc("stbl"), Fourcc("stts")});
  std::uint8_t b[8];
  if (!scale || !stts || stts->end - stts->body < 8 || !file.Read(stts->body, b, 8)) return std::nullopt;
  const std::uint32_t entries = ReadBe32(b + 4);
  if (entries > (stts->end - stts->body - 8) / 8) return std::nullopt;
  std::uint64_t total = 0;
  for (std::uint32_t i = 0; i < entries; ++i) {
    if (!file.Read(stts->body + 8 + 8ull * i, b, 8)) return std::nullopt;
    total += static_cast<std::uint64_t>(ReadBe32(b)) * ReadBe32(b + 4);  // wraps only for nonsense: a wrong length, no fault
  }
  return std::make_pair(total, *scale);
}

// The first sound track's answer to `of`, if any track is one.
template <typename Of>
auto FirstSoundTrack(std::uint64_t fileSize, const ReadAtFn& read, Of of) -> decltype(of(std::declval<ByteWindow&>(), Box{})) {
  ByteWindow file(fileSize, read, 4096);
  const auto moov = FindBox(file, 0, fileSize, Fourcc("moov"));
  if (!moov) return std::nullopt;
  for (std::uint64_t from = moov->body;;) {
    const auto trak = FindBox(file, from, moov->end, Fourcc("trak"));
    if (!trak) return std::nullopt;
    if (SoundTrackTimescale(file, *trak)) return of(file, *trak);
    from = trak->end;
  }
}

}  // namespace

std::optional<std::uint64_t> Mp4SoundSampleFrames(std::uint64_t fileSize, const ReadAtFn& read, int sampleRate) {
  if (sampleRate <= 0) return std::nullopt;
  const auto time = FirstSoundTrack(fileSize, read, SoundTrackSamplesTime);
  if (!time) return std::nullopt;
  // total < 2^64 and a rate below 2^31: the product in two parts.
  const std::uint64_t rate = static_cast<std::uint64_t>(sampleRate);
  return time->first / time->second * rate + time->first % time->second * rate / time->second;
}

std::uint64_t Mp4AudioPrimingFrames(std::uint64_t fileSize, const ReadAtFn& read, int sampleRate) {
  if (sampleRate <= 0) return 0;
  const auto skip = FirstSoundTrack(fileSize, read, SoundTrackSkip);
  // At most a second: priming is a few packets, and a larger skip is an
  // edit of the recording rather than a decoder's delay.
  if (!skip || skip->first > skip->second) return 0;
  return skip->first * static_cast<std::uint64_t>(sampleRate) / skip->second;
}
