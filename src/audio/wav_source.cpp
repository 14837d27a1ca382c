#include "audio/pcm_source.h"

#include <algorithm>

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

// The file's handle and the portable decoder reading through it.
class WavSource : public PcmSource {
 public:
  WavSource(HANDLE file, const WavLayout& layout)
      : file_(file), reader_(layout, [this](std::uint64_t at, std::span<std::uint8_t> into) {
          return file_.ReadAt(at, into.data(), into.size());
        }) {
    channels_ = reader_.Channels();
    sampleRate_ = layout.sampleRate;
    frames_ = reader_.Frames();
  }

  bool Seek(std::uint64_t frame) override {
    reader_.Seek(frame);
    return true;
  }

  std::size_t Read(std::int16_t* out, std::size_t maxFrames) override { return reader_.Read(out, maxFrames); }

 private:
  FileHandle file_;
  WavReader reader_;
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
