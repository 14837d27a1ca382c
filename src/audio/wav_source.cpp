#include "audio/pcm_source.h"

#include <algorithm>
#include <vector>

#include "audio/wav_format.h"

std::uint64_t FileHandle::Size() const {
  LARGE_INTEGER size{};
  return GetFileSizeEx(h, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

std::size_t FileHandle::ReadAt(std::uint64_t offset, void* into, std::size_t count) const {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
  if (!ReadFile(h, into, want, &got, &at)) return 0;
  return got;
}

namespace {

class WavSource : public PcmSource {
 public:
  WavSource(HANDLE file, const WavLayout& layout) : file_(file), layout_(layout) {
    channels_ = layout.channels;
    sampleRate_ = layout.sampleRate;
    frames_ = layout.dataBytes / static_cast<std::uint64_t>(layout.blockAlign);
  }

  bool Seek(std::uint64_t frame) override {
    next_ = std::min(frame, frames_);
    return true;
  }

  std::size_t Read(std::int16_t* out, std::size_t maxFrames) override {
    const std::size_t frames = static_cast<std::size_t>(std::min<std::uint64_t>(maxFrames, frames_ - next_));
    const std::size_t bytes = frames * static_cast<std::size_t>(layout_.blockAlign);
    raw_.resize(bytes);
    const std::size_t got = file_.ReadAt(layout_.dataOffset + next_ * static_cast<std::uint64_t>(layout_.blockAlign),
                                         raw_.data(), bytes);
    const std::size_t whole = got / static_cast<std::size_t>(layout_.blockAlign);
    const std::size_t samples = whole * static_cast<std::size_t>(channels_);
    if (layout_.bitsPerSample == 8) {
      for (std::size_t i = 0; i < samples; ++i) out[i] = static_cast<std::int16_t>((raw_[i] - 128) << 8);
    } else {
      for (std::size_t i = 0; i < samples; ++i)
        out[i] = static_cast<std::int16_t>(raw_[2 * i] | (raw_[2 * i + 1] << 8));
    }
    next_ += whole;
    return whole;
  }

 private:
  FileHandle file_;
  WavLayout layout_;
  std::uint64_t next_ = 0;
  std::vector<std::uint8_t> raw_;
};

}  // namespace

std::unique_ptr<PcmSource> OpenWavSource(const char* path) {
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  FileHandle probe(h);
  const WavLayout layout = ParseWav(probe.Size(), [&](std::uint64_t at, std::span<std::uint8_t> into) {
    return probe.ReadAt(at, into.data(), into.size());
  });
  if (layout.error != WavError::kNone) return nullptr;
  probe.h = INVALID_HANDLE_VALUE;  // the source keeps the handle
  return std::make_unique<WavSource>(h, layout);
}
