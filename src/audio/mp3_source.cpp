// mp3 decoding through the system's ACM MP3 decoder (l3codeca.acm), fed frame
// by frame from the frame index, so that a file is never decoded whole. A
// seek starts decoding at the first frame its target's bit reservoir and
// overlap reach back to, so that every sample from the target on is the one
// a decode from the start gives. The encoder's and the decoder's delays are
// dropped: frame i of the source is sample i of the recording.
// The index is built on a thread of its own and opening reads only the first
// frames: the window never waits for a scan of the whole file (58 MB for two
// hours at 64 kbit/s, from a share perhaps). Until the index is complete the
// length is the Info frame's count of frames, or what the first frame's bit
// rate gives for the file's size, and then the count of frames indexed. A
// read waits, on the device's worker, only until the index reaches the
// frames it needs.
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/mp3_frames.h"
#include "audio/pcm_source.h"

namespace {

constexpr std::size_t kFramesPerConvert = 8;
// Frames the index thread hands over at a time: a few seconds of sound.
constexpr std::size_t kFramesPerBatch = 256;

// The frame index being built on its own thread, shared with it so that the
// source may go first (the thread then stops at its next read).
struct IndexJob {
  std::mutex m;
  std::condition_variable built;
  Mp3Index fresh;                       // frames indexed and not yet taken by the source
  std::atomic<bool> done{false};        // every frame has been handed over
  std::atomic<std::uint64_t> playable{0};  // the length then, in samples per channel
  std::atomic<bool> cancel{false};
};

// Moves the frames indexed in `from` onto the end of `to`.
void MoveFrames(Mp3Index& from, Mp3Index& to) {
  auto move = [](auto& into, auto& out) { into.insert(into.end(), out.begin(), out.end()), out.clear(); };
  move(to.frameOffsets, from.frameOffsets);
  move(to.mainDataBegin, from.mainDataBegin);
  move(to.mainDataBytes, from.mainDataBytes);
}

void BuildIndex(const std::shared_ptr<IndexJob>& job, const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  FileHandle file(h);
  Mp3Scanner scanner(file.Size(), [&](std::uint64_t at, std::span<std::uint8_t> into) -> std::size_t {
    return job->cancel || !file.Valid() ? 0 : file.ReadAt(at, into.data(), into.size());
  });
  Mp3Index batch;
  std::uint64_t frames = 0;
  for (bool more = true; more;) {
    more = scanner.More(batch, kFramesPerBatch);
    frames += batch.frameOffsets.size();
    {
      std::lock_guard lock(job->m);
      MoveFrames(batch, job->fresh);
      if (!more) {
        job->playable = scanner.Start().PlayableSamples(frames);
        job->done = true;
      }
    }
    job->built.notify_all();
  }
}

class Mp3Source : public PcmSource {
 public:
  // index: the start of the file, while job indexes its frames; frames: the
  // length until then.
  Mp3Source(HANDLE file, Mp3Index index, std::shared_ptr<IndexJob> job, std::uint64_t frames)
      : file_(file), index_(std::move(index)), job_(std::move(job)) {
    channels_ = index_.format.channels;
    sampleRate_ = index_.format.sampleRate;
    frames_ = frames;
    spf_ = static_cast<std::uint64_t>(index_.format.samplesPerFrame);
    start_ = static_cast<std::uint64_t>(index_.encoderDelay) + kMp3DecoderDelay;
  }
  ~Mp3Source() override {
    job_->cancel = true;
    CloseStream();
  }

  std::uint64_t Frames() const override { return job_->done ? job_->playable.load() : frames_.load(); }
  bool LengthKnown() const override { return job_->done; }

  bool OpenStream() {
    CloseStream();
    MPEGLAYER3WAVEFORMAT mp3{};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = static_cast<WORD>(channels_);
    mp3.wfx.nSamplesPerSec = static_cast<DWORD>(sampleRate_);
    mp3.wfx.nAvgBytesPerSec = static_cast<DWORD>(index_.format.bitrateKbps) * 1000 / 8;
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.wBitsPerSample = 0;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
    mp3.nBlockSize = static_cast<WORD>(index_.format.frameBytes);
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = 0;
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = static_cast<WORD>(channels_);
    pcm.nSamplesPerSec = static_cast<DWORD>(sampleRate_);
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = static_cast<WORD>(2 * channels_);
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
    if (acmStreamOpen(&stream_, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, 0) != MMSYSERR_NOERROR) {
      stream_ = nullptr;
      return false;
    }
    firstConvert_ = true;
    ended_ = false;
    pending_.clear();
    return true;
  }

  // The decoder is placed at the first read, which may wait for the index.
  bool Seek(std::uint64_t frame) override {
    target_ = (LengthKnown() ? std::min(frame, Frames()) : frame) + start_;
    placed_ = false;
    pcm_.clear();
    pcmRead_ = 0;
    failed_ = false;
    return true;
  }

  std::size_t Read(std::int16_t* out, std::size_t maxFrames) override {
    if (!placed_ && !Place()) return 0;
    const std::size_t ch = static_cast<std::size_t>(channels_);
    std::size_t done = 0;
    while (done < maxFrames) {
      if (pcmRead_ == pcm_.size()) {
        pcm_.clear();
        pcmRead_ = 0;
        if (stream_ != nullptr && !failed_ && DecodeMore()) continue;
        // The decoder gave all it had and the frames are all read: a
        // decoder that holds back less than the padding leaves a few
        // samples short of the end, which are silence in the recording.
        // Fewer frames than the length counts: the file was cut short.
        const std::uint64_t end = End();
        if (failed_ || decoded_ >= end || skip_ > 0) break;
        if (index_.frameOffsets.size() * spf_ < end) {
          failed_ = true;
          break;
        }
        pcm_.assign(static_cast<std::size_t>(end - decoded_) * ch, 0);
        continue;
      }
      // pcm_ holds the decoded stream from sample decoded_ on.
      const std::size_t have = (pcm_.size() - pcmRead_) / ch;
      if (skip_ > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, have));
        pcmRead_ += n * ch;
        decoded_ += n;
        skip_ -= n;
        continue;
      }
      const std::uint64_t end = End();
      if (decoded_ >= end) break;
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>({have, maxFrames - done, end - decoded_}));
      std::memcpy(out + done * ch, pcm_.data() + pcmRead_, n * ch * sizeof(std::int16_t));
      pcmRead_ += n * ch;
      decoded_ += n;
      done += n;
    }
    return done;
  }

 private:
  void CloseStream() {
    if (stream_ != nullptr) acmStreamClose(stream_, 0);
    stream_ = nullptr;
  }

  // The decoded stream's end: unknown (the largest number) until every frame
  // is indexed.
  std::uint64_t End() const { return complete_ ? Frames() + start_ : ~std::uint64_t{0}; }

  // Waits until the index holds frame `frame` or is complete, and takes the
  // frames indexed meanwhile.
  void IndexUpTo(std::uint64_t frame) {
    if (complete_ || frame < index_.frameOffsets.size()) return;
    std::unique_lock lock(job_->m);
    job_->built.wait(lock, [&] { return job_->done || index_.frameOffsets.size() + job_->fresh.frameOffsets.size() > frame; });
    MoveFrames(job_->fresh, index_);
    complete_ = job_->done;
  }

  // Waits for the index to reach the target (or to be complete), then
  // starts the decoder at the first frame the target needs; false when the
  // file could not be indexed or the decoder not opened.
  bool Place() {
    IndexUpTo(target_ / spf_ + 1);
    if (complete_) target_ = std::min(target_, Frames() + start_);
    placed_ = true;
    nextFrame_ = index_.FirstFrameToDecode(target_ / spf_);
    decoded_ = nextFrame_ * spf_;
    skip_ = target_ - decoded_;
    failed_ = index_.Empty() || !OpenStream();
    return !failed_;
  }

  // Reads the frame at index i onto the end of pending_; false when the
  // file does not give its bytes (a read error, or a file cut short).
  bool ReadFrame(std::size_t i) {
    std::uint8_t head[4];
    const std::uint64_t at = index_.frameOffsets[i];
    if (file_.ReadAt(at, head, 4) != 4) return false;
    const Mp3Header h = ParseMp3Header(ReadBe32(head));
    if (!h.valid) return false;
    const std::size_t old = pending_.size(), bytes = static_cast<std::size_t>(h.frameBytes);
    pending_.resize(old + bytes);
    if (file_.ReadAt(at, pending_.data() + old, bytes) == bytes) return true;
    pending_.resize(old);
    return false;
  }

  // Feeds the next few frames to the decoder, and after the last frame asks
  // it for what it holds back; false when that is done too, when a frame
  // could not be read (failed_) or when the decoder gives nothing.
  bool DecodeMore() {
    IndexUpTo(nextFrame_ + kFramesPerConvert - 1);
    const std::size_t count = std::min<std::size_t>(kFramesPerConvert, index_.frameOffsets.size() - static_cast<std::size_t>(std::min<std::uint64_t>(nextFrame_, index_.frameOffsets.size())));
    if (count == 0 && (ended_ || !complete_)) return false;
    for (std::size_t i = 0; i < count; ++i, ++nextFrame_) {
      if (!ReadFrame(static_cast<std::size_t>(nextFrame_))) {
        failed_ = true;
        return false;
      }
    }
    const bool last = complete_ && nextFrame_ >= index_.frameOffsets.size();
    // Room for every sample of the frames given, and some over for what the
    // decoder held back from the last call.
    std::vector<std::uint8_t> pcmBytes((kFramesPerConvert + 2) * spf_ * static_cast<std::size_t>(channels_) * 2);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = pending_.data();
    header.cbSrcLength = static_cast<DWORD>(pending_.size());
    header.pbDst = pcmBytes.data();
    header.cbDstLength = static_cast<DWORD>(pcmBytes.size());
    if (acmStreamPrepareHeader(stream_, &header, 0) != MMSYSERR_NOERROR) {
      failed_ = true;
      return false;
    }
    const MMRESULT r = acmStreamConvert(stream_, &header, (firstConvert_ ? ACM_STREAMCONVERTF_START : 0) |
                                                          (last ? ACM_STREAMCONVERTF_END : 0));
    firstConvert_ = false;
    ended_ = last;
    const DWORD used = header.cbSrcLengthUsed, made = header.cbDstLengthUsed;
    acmStreamUnprepareHeader(stream_, &header, 0);
    if (r != MMSYSERR_NOERROR) {  // the decoder failed: no silence in place of the rest
      failed_ = true;
      return false;
    }
    pending_.erase(pending_.begin(), pending_.begin() + std::min<std::size_t>(used, pending_.size()));
    const std::size_t samples = made / 2;
    const auto* p = reinterpret_cast<const std::int16_t*>(pcmBytes.data());
    pcm_.assign(p, p + samples - samples % static_cast<std::size_t>(channels_));
    // A decoder that takes nothing and gives nothing will not start to.
    return !pcm_.empty() || (used > 0 && count > 0) || (count > 0 && last);
  }

  FileHandle file_;
  Mp3Index index_;
  const std::shared_ptr<IndexJob> job_;  // builds the index, and keeps its length
  bool complete_ = false;          // index_ holds every frame
  std::uint64_t target_ = 0;       // decoded-stream sample the next read starts at
  bool placed_ = false;            // the decoder stands at target_
  std::uint64_t spf_ = 1152;
  std::uint64_t start_ = 0;  // decoded samples before the recording's first: both delays
  HACMSTREAM stream_ = nullptr;
  bool firstConvert_ = true;
  bool ended_ = false;  // the decoder was given the last frame and asked for all it holds
  std::vector<std::uint8_t> pending_;  // frames given to the decoder and not yet taken
  std::vector<std::int16_t> pcm_;      // decoded, not yet read
  std::size_t pcmRead_ = 0;
  std::uint64_t nextFrame_ = 0;  // index of the next frame to feed
  std::uint64_t decoded_ = 0;    // decoded-stream sample at pcm_[pcmRead_]
  std::uint64_t skip_ = 0;       // samples to drop before the seek's target
  bool failed_ = false;          // a frame could not be read, or the decoder failed: no more until a seek
};

}  // namespace

std::unique_ptr<PcmSource> OpenMp3Source(const char* path) {
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  FileHandle probe(h);
  Mp3Index index = ProbeMp3(probe.Size(), [&](std::uint64_t at, std::span<std::uint8_t> into) {
    return probe.ReadAt(at, into.data(), into.size());
  });
  if (!index.format.valid) return nullptr;
  const std::uint64_t frames = index.PlayableSamples(index.EstimatedFrames(probe.Size()));
  auto job = std::make_shared<IndexJob>();
  std::thread(BuildIndex, job, std::string(path)).detach();
  probe.h = INVALID_HANDLE_VALUE;  // the source keeps the handle
  auto source = std::make_unique<Mp3Source>(h, std::move(index), std::move(job), frames);
  if (!source->OpenStream()) return nullptr;  // no ACM decoder takes this stream
  source->Seek(0);
  return source;
}
