#include "audio/audio_device.h"

#include <algorithm>
#include <condition_variable>
#include <cctype>
#include <chrono>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "audio/mci_speed.h"
#include "audio/mf_source.h"
#include "audio/pcm_source.h"
#include "audio/sound_chain.h"
#include "audio/time_stretch.h"
#include "audio/wav_format.h"

bool useSystemDevices = false;
WaveOutWriteFn waveOutWriteHook = waveOutWrite;
WaveOutCalls waveOutCalls;

namespace {

// Own ids start far above the small numbers the system hands out.
constexpr MCIDEVICEID kFirstOwnId = 0x7D00;
constexpr DWORD kMinSpeed = 500, kMaxSpeed = 1500;

// Output: about half a second queued, to ride out a busy machine, in few
// buffers: each finished buffer wakes the worker (and Wine's wave thread
// signals it), and the position is read from the output's clock, not counted
// in buffers, so longer ones keep its fine steps. A seek or pause drops what
// is queued (waveOutReset), so their length adds no delay to it.
// The worker wakes when the output has finished a buffer or a command came
// (both set its event), and otherwise only this often: waking more often
// would cost CPU and find nothing to do.
constexpr int kBuffers = 4;
constexpr int kBufferMs = 120;
constexpr DWORD kWakeMs = 200;

enum class Mode { kStopped, kPlaying, kPaused };

// The end of a play without MCI_TO: the end of the media, wherever the
// reader finds it (a length may still be an estimate when the play starts).
constexpr std::uint64_t kToEnd = ~std::uint64_t{0};

HWND CallbackToWindow(DWORD_PTR callback) { return reinterpret_cast<HWND>(callback & 0xFFFF'FFFF); }

// What the worker is playing, enough to say which media frame is heard.
struct Heard {
  HWAVEOUT device = nullptr;
  std::uint64_t startSamples = 0;  // the output's count when this play began
  std::int64_t startCounter = 0;   // QueryPerformanceCounter then
  std::uint64_t written = 0, from = 0, to = 0;
  // From output frame out on, output stands for input from + in at speed.
  // A change of speed while playing adds one (a drag of the slider, one per
  // wake of the worker, a few dozen a second); the oldest go when the array
  // is full, by then long played.
  struct Segment {
    std::uint64_t out = 0;
    double in = 0, speed = 1.0;
  };
  std::array<Segment, 32> segments{};
  std::size_t segmentCount = 1;

  void Begin(double speed) { segments[0] = Segment{0, 0, speed}, segmentCount = 1; }
  void ChangeSpeed(std::uint64_t out, double in, double speed) {
    if (segments[segmentCount - 1].out == out) --segmentCount;  // no output at the speed before
    if (segmentCount == segments.size()) {
      std::move(segments.begin() + 1, segments.end(), segments.begin());
      --segmentCount;
    }
    segments[segmentCount++] = Segment{out, in, speed};
  }

  // The frames the output has played since the play began, mapped back
  // through the speed. Never more than were written, nor more than the time
  // since the play began could have played: after every reset, Wine's
  // PulseAudio driver counts the sound server's buffer as played at once
  // (110 ms, seen), and the position must not leap ahead at every seek,
  // resume and change of speed. The wall clock is given half a percent, so
  // that a sound card whose clock runs faster than the system's is still
  // followed over a long play.
  std::uint64_t Frame(int channels, int sampleRate) const {
    const std::uint64_t played = Played(channels, sampleRate);
    std::size_t k = segmentCount - 1;
    while (k > 0 && segments[k].out > played) --k;
    const Segment& s = segments[k];
    const double in = s.in + static_cast<double>(played - std::min(played, s.out)) * s.speed;
    return std::min(to, from + static_cast<std::uint64_t>(std::llround(in)));
  }

  // Output frames played since the play began (see Frame).
  std::uint64_t Played(int channels, int sampleRate) const {
    MMTIME t{};
    t.wType = TIME_SAMPLES;
    std::uint64_t played = 0;
    if (device != nullptr && waveOutCalls.position(device, &t, sizeof t) == MMSYSERR_NOERROR) {
      const std::uint64_t now = t.wType == TIME_SAMPLES ? t.u.sample
                                : t.wType == TIME_BYTES ? t.u.cb / (2 * static_cast<std::uint64_t>(channels))
                                                        : 0;
      played = now > startSamples ? now - startSamples : 0;
    }
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    const auto elapsed = static_cast<std::uint64_t>(std::max<std::int64_t>(0, counter.QuadPart - startCounter));
    const auto possible = static_cast<std::uint64_t>(static_cast<double>(elapsed) * sampleRate * 1.005 /
                                                     static_cast<double>(frequency.QuadPart));
    return std::min({played, written, possible});
  }
};

// Workers still running, closed devices included: the program waits for
// them (a little) before it ends, since a worker ended by the process's exit
// in the middle of a decoder's clean-up can take the process down with it.
// Never destroyed: a worker still busy when the process ends (on a stalled
// read, say) must not find them gone.
struct WorkerCount {
  std::mutex m;
  std::condition_variable done;
  int running = 0;
};
WorkerCount& Workers() {
  static auto* count = new WorkerCount;
  return *count;
}

// One open file. Commands run on the caller's thread and only change the
// shared record below and wake the worker; the worker owns the waveOut
// device, decodes, stretches, writes buffers and publishes the position.
class Device {
 public:
  Device(MCIDEVICEID id, std::unique_ptr<PcmSource> source, bool soundOnly, const SoundSettings& sound)
      : id_(id), soundOnly_(soundOnly), source_(std::move(source)), sound_(sound),
        longestMs_(LengthMs()), wake_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    {
      std::lock_guard lock(Workers().m);
      ++Workers().running;
    }
    worker_ = std::thread([this] {
      Worker();
      delete this;
      std::lock_guard lock(Workers().m);
      --Workers().running;
      Workers().done.notify_all();
    });
  }

  // Closing hands the device to its worker, which closes the sound output
  // and frees it alone: a close never waits for a read stuck on a stalled
  // share, nor for the sound card to stop.
  // All under the lock: the worker sees quit_ only once it is released, and
  // may free the device from then on.
  void Close() {
    std::lock_guard lock(m_);
    worker_.detach();
    quit_ = true;
    EndNotify(MCI_NOTIFY_ABORTED);
    SetEvent(wake_);
  }
  struct Closer {
    void operator()(Device* device) const { device->Close(); }
  };

  bool SoundOnly() const { return soundOnly_; }

  MCIERROR TakeFailure() {
    std::lock_guard lock(m_);
    return std::exchange(outputError_, 0);
  }

  void SetSound(const SoundSettings& sound) {
    std::lock_guard lock(m_);
    if (sound == sound_) return;
    sound_ = sound;
    if (mode_ == Mode::kPlaying) {  // go on from here with the new settings
      playFrom_ = position_ = CurrentFrame();
      Changed();
    }
  }

  MCIERROR Command(UINT message, DWORD flags, DWORD_PTR parms) {
    std::lock_guard lock(m_);
    switch (message) {
      case MCI_PLAY: return Play(flags, reinterpret_cast<const MCI_PLAY_PARMS*>(parms));
      case MCI_SEEK: return Seek(flags, reinterpret_cast<const MCI_SEEK_PARMS*>(parms));
      case MCI_PAUSE: return Halt(Mode::kPaused);
      case MCI_STOP: return Halt(Mode::kStopped);
      case MCI_RESUME: return mode_ == Mode::kPaused ? StartPlay(position_, playTo_) : 0;
      case MCI_SET: return Set(flags, parms);
      case MCI_STATUS: return Status(flags, reinterpret_cast<MCI_STATUS_PARMS*>(parms));
      default: return MCIERR_UNSUPPORTED_FUNCTION;
    }
  }

 private:
  // --- the caller's side, under m_ ---

  std::uint64_t ToFrame(DWORD ms) const { return std::min(MsToFrames(ms, source_->SampleRate()), source_->Frames()); }
  std::int32_t ToMs(std::uint64_t frame) const { return FramesToMs(frame, source_->SampleRate()); }
  // The length as the reader knows it now: an estimate until it is known,
  // corrected where the decoder ends its stream.
  std::int32_t LengthMs() const { return ToMs(source_->Frames()); }
  // The range commands may name: up to the longest length ever given, so
  // that a walk chunk or bookmark at the end the window was told before a
  // correction still plays (to the end as it now stands).
  std::int32_t ReachMs() { return longestMs_ = std::max(longestMs_, LengthMs()); }

  // Asked of the output at the moment of the question, so that the position
  // moves as finely as the output counts, whenever the worker last ran.
  std::uint64_t CurrentFrame() const {
    if (mode_ != Mode::kPlaying) return position_;
    if (workerGeneration_ != generation_) return playFrom_;
    return heard_.Frame(source_->Channels(), source_->SampleRate());
  }

  void EndNotify(WPARAM code) {
    if (!notifyPending_) return;
    notifyPending_ = false;
    PostMessageA(notifyWindow_, MM_MCINOTIFY, code, static_cast<LPARAM>(id_));
  }

  void Changed() {
    ++generation_;
    SetEvent(wake_);
  }

  MCIERROR StartPlay(std::uint64_t from, std::uint64_t to) {
    mode_ = Mode::kPlaying;
    playFrom_ = position_ = from;
    playTo_ = to;
    Changed();
    if (from == to || (to == kToEnd && source_->LengthKnown() && from >= source_->Frames())) {  // nothing to play
      mode_ = Mode::kStopped;
      EndNotify(MCI_NOTIFY_SUCCESSFUL);
    }
    return 0;
  }

  MCIERROR Play(DWORD flags, const MCI_PLAY_PARMS* p) {
    if ((flags & (MCI_FROM | MCI_TO | MCI_NOTIFY)) && p == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;
    const std::int64_t fromMs = (flags & MCI_FROM) ? static_cast<std::int64_t>(p->dwFrom) : ToMs(CurrentFrame());
    const std::int64_t reach = ReachMs();
    const std::int64_t toMs = (flags & MCI_TO) ? static_cast<std::int64_t>(p->dwTo) : reach;
    if (fromMs > reach || toMs > reach || toMs < fromMs) return MCIERR_OUTOFRANGE;
    const std::uint64_t from = (flags & MCI_FROM) ? ToFrame(p->dwFrom) : CurrentFrame();
    const std::uint64_t to = (flags & MCI_TO) ? ToFrame(p->dwTo) : kToEnd;
    EndNotify((flags & MCI_NOTIFY) ? MCI_NOTIFY_SUPERSEDED : MCI_NOTIFY_ABORTED);
    if (flags & MCI_NOTIFY) {
      notifyPending_ = true;
      notifyWindow_ = CallbackToWindow(p->dwCallback);
    }
    return StartPlay(std::min(from, to), to);
  }

  MCIERROR Seek(DWORD flags, const MCI_SEEK_PARMS* p) {
    std::uint64_t to;
    if (flags & MCI_TO) {
      if (p == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;
      if (static_cast<std::int64_t>(p->dwTo) > ReachMs()) return MCIERR_OUTOFRANGE;
      to = ToFrame(p->dwTo);
    } else if (flags & MCI_SEEK_TO_START) {
      to = 0;
    } else if (flags & MCI_SEEK_TO_END) {
      to = source_->Frames();
    } else {
      return MCIERR_MISSING_PARAMETER;
    }
    EndNotify(MCI_NOTIFY_ABORTED);
    mode_ = Mode::kStopped;
    position_ = to;
    Changed();
    return 0;
  }

  // Pause and stop keep the position; on a device that is not playing they
  // change nothing and are no error.
  MCIERROR Halt(Mode mode) {
    if (mode_ == Mode::kStopped) return 0;
    if (mode_ == Mode::kPlaying) {
      position_ = CurrentFrame();
      EndNotify(MCI_NOTIFY_ABORTED);
      Changed();
    }
    mode_ = mode;
    return 0;
  }

  MCIERROR Set(DWORD flags, DWORD_PTR parms) {
    if (parms == 0) return MCIERR_NULL_PARAMETER_BLOCK;
    if (flags & ~(MCI_SET_TIME_FORMAT | kDgvSetSpeed | MCI_WAIT | MCI_NOTIFY)) return MCIERR_UNSUPPORTED_FUNCTION;
    if ((flags & MCI_SET_TIME_FORMAT) &&
        reinterpret_cast<const MCI_SET_PARMS*>(parms)->dwTimeFormat != MCI_FORMAT_MILLISECONDS)
      return MCIERR_BAD_TIME_FORMAT;
    if (flags & kDgvSetSpeed) {
      const DWORD speed = reinterpret_cast<const DgvSetParms*>(parms)->dwSpeed;
      if (speed < kMinSpeed || speed > kMaxSpeed) return MCIERR_OUTOFRANGE;
      // While playing, the worker hands the new speed to the stretcher,
      // which goes on at it from its next piece: the queued sound plays on.
      if (speed != speed_ && mode_ == Mode::kPlaying) SetEvent(wake_);
      speed_ = speed;
    }
    return 0;
  }

  MCIERROR Status(DWORD flags, MCI_STATUS_PARMS* p) {
    if (p == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;
    if (!(flags & MCI_STATUS_ITEM)) return MCIERR_MISSING_PARAMETER;
    switch (p->dwItem) {
      case MCI_STATUS_LENGTH:
        ReachMs();
        p->dwReturn = static_cast<DWORD>(LengthMs());
        break;
      case MCI_STATUS_POSITION: p->dwReturn = static_cast<DWORD>(ToMs(CurrentFrame())); break;
      case MCI_STATUS_MODE:
        p->dwReturn = mode_ == Mode::kPlaying ? MCI_MODE_PLAY : mode_ == Mode::kPaused ? MCI_MODE_PAUSE : MCI_MODE_STOP;
        break;
      case MCI_STATUS_MEDIA_PRESENT: p->dwReturn = TRUE; break;
      // Not ready while the length is an estimate (an mp3 whose frames are
      // still being counted): the window asks for the length again until it is.
      case MCI_STATUS_READY: p->dwReturn = source_->LengthKnown(); break;
      case MCI_STATUS_TIME_FORMAT: p->dwReturn = MCI_FORMAT_MILLISECONDS; break;
      default: return MCIERR_UNSUPPORTED_FUNCTION;
    }
    return 0;
  }

  // --- the worker's side ---

  struct Output {
    HWAVEOUT device = nullptr;
    std::array<WAVEHDR, kBuffers> headers{};
    std::array<std::vector<std::int16_t>, kBuffers> samples;
    std::array<bool, kBuffers> queued{};
    std::array<std::uint64_t, kBuffers> firstOut{};  // the play's output frame each buffer starts with
    // The few milliseconds after the heard frame, faded out, written after
    // a reset that cut the sound off.
    WAVEHDR tailHeader{};
    std::vector<std::int16_t> tail;

    bool Free(int i) const { return !queued[static_cast<std::size_t>(i)] || (headers[static_cast<std::size_t>(i)].dwFlags & WHDR_DONE); }
    bool AllDone() const {
      for (int i = 0; i < kBuffers; ++i)
        if (!Free(i)) return false;
      return true;
    }
    // Copies the queued sound from output frame `heard` on (up to frames of
    // it) into tail and fades it out; returns the frames taken.
    std::size_t TakeTail(std::uint64_t heard, std::size_t frames, std::size_t channels) {
      constexpr auto kCount = static_cast<std::size_t>(kBuffers);
      tail.assign(frames * channels, 0);
      std::size_t taken = 0;
      while (taken < frames) {  // from the buffer holding the next frame, as much as it holds
        const std::uint64_t f = heard + taken;
        std::size_t i = 0;
        auto length = [&] { return headers[i].dwBufferLength / (2 * channels); };
        while (i < kCount && !(queued[i] && f >= firstOut[i] && f - firstOut[i] < length())) ++i;
        if (i == kCount) break;
        const auto at = static_cast<std::size_t>(f - firstOut[i]);
        const std::size_t n = std::min(frames - taken, length() - at);
        std::copy_n(samples[i].begin() + static_cast<std::ptrdiff_t>(at * channels), n * channels,
                    tail.begin() + static_cast<std::ptrdiff_t>(taken * channels));
        taken += n;
      }
      FadeOut(tail.data(), taken, static_cast<int>(channels));
      return taken;
    }
    // Writes the tail just taken (after the reset); false when the card refuses it.
    bool WriteTail(std::size_t frames, std::size_t channels) {
      if (tailHeader.dwFlags & WHDR_PREPARED) waveOutCalls.unprepare(device, &tailHeader, sizeof tailHeader);
      tailHeader = WAVEHDR{};
      tailHeader.lpData = reinterpret_cast<LPSTR>(tail.data());
      tailHeader.dwBufferLength = static_cast<DWORD>(frames * channels * sizeof(std::int16_t));
      return waveOutCalls.prepare(device, &tailHeader, sizeof tailHeader) == MMSYSERR_NOERROR &&
             waveOutWriteHook(device, &tailHeader, sizeof tailHeader) == MMSYSERR_NOERROR;
    }
    void Close() {
      if (device == nullptr) return;
      waveOutCalls.reset(device);
      for (auto& h : headers)
        if (h.dwFlags & WHDR_PREPARED) waveOutCalls.unprepare(device, &h, sizeof h);
      if (tailHeader.dwFlags & WHDR_PREPARED) waveOutCalls.unprepare(device, &tailHeader, sizeof tailHeader);
      waveOutCalls.close(device);
      device = nullptr;
    }
  };

  // Opens the sound output in the source's format; MCI's error when it cannot.
  MCIERROR OpenOutput(Output& out) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(source_->Channels());
    format.nSamplesPerSec = static_cast<DWORD>(source_->SampleRate());
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(2 * format.nChannels);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    const MMRESULT r = waveOutCalls.open(&out.device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(wake_), 0,
                                   CALLBACK_EVENT);
    if (r != MMSYSERR_NOERROR) {
      out.device = nullptr;
      return r == MMSYSERR_ALLOCATED ? MCIERR_WAVE_OUTPUTSINUSE : MCIERR_WAVE_OUTPUTSUNSUITABLE;
    }
    const std::size_t frames = static_cast<std::size_t>(source_->SampleRate()) * kBufferMs / 1000;
    for (auto& s : out.samples) s.resize(frames * static_cast<std::size_t>(source_->Channels()));
    out.queued = {};
    return 0;
  }

  // Output or reading failed: the play stops where it was heard and its
  // notification says so; the error waits for TakeFailure. The next play
  // tries afresh.
  void OutputFailed(unsigned generation, MCIERROR error, std::uint64_t frame) {
    std::lock_guard lock(m_);
    if (generation != generation_) return;  // a play already superseded
    FailPlay(error, frame);
  }
  void FailPlay(MCIERROR error, std::uint64_t frame) {
    outputError_ = error;
    mode_ = Mode::kPaused;
    position_ = frame;
    EndNotify(MCI_NOTIFY_FAILURE);
  }

  void Worker() {
    Output out;
    TimeStretch stretch;
    SoundChain chain;  // before the stretch; its output stays aligned with its input
    chain.Start(source_->Channels(), source_->SampleRate());
    std::vector<std::int16_t> decoded(4096 * static_cast<std::size_t>(source_->Channels()));
    const std::size_t channels = static_cast<std::size_t>(source_->Channels());
    unsigned generation = ~0u;
    bool feeding = false, sourceDone = false, readFailed = false;
    std::uint64_t readAt = 0;
    Heard play;  // the play being fed; heard_ is its copy for the caller's side
    Heard cut;   // the play a command has just ended
    const std::size_t fadeFrames = EdgeFadeFrames(source_->SampleRate());

    for (;;) {
      WaitForSingleObject(wake_, kWakeMs);
      unsigned g;
      Mode mode;
      double speed;
      {
        std::lock_guard lock(m_);
        if (quit_) break;
        g = generation_;
        mode = mode_;
        speed = speed_ / 1000.0;
        if (g != generation) {
          cut = play;
          play = Heard{};
          play.from = playFrom_;
          play.to = playTo_;
          play.Begin(speed);
          chain.Set(sound_);
        }
      }
      if (g != generation) {
        generation = g;
        // Sound still queued is cut off: the few milliseconds after what is
        // being heard play on, faded out, so that it ends without a click.
        std::size_t tailFrames = 0;
        if (feeding && out.device != nullptr)
          tailFrames = out.TakeTail(cut.Played(source_->Channels(), source_->SampleRate()), fadeFrames, channels);
        feeding = false;
        if (out.device != nullptr) waveOutCalls.reset(out.device);
        out.queued = {};
        if (tailFrames > 0 && !out.WriteTail(tailFrames, channels)) tailFrames = 0;
        if (mode != Mode::kPlaying) continue;
        if (out.device == nullptr) {
          if (const MCIERROR error = OpenOutput(out); error != 0) {
            OutputFailed(g, error, play.from);
            continue;
          }
        }
        source_->Seek(play.from);
        stretch.Start(source_->Channels(), source_->SampleRate(), speed);
        chain.Restart();
        readAt = play.from;
        sourceDone = readFailed = false;
        feeding = true;
        MMTIME t{};
        t.wType = TIME_SAMPLES;
        waveOutCalls.position(out.device, &t, sizeof t);
        // The new sound follows the faded tail.
        play.device = out.device;
        play.startSamples = (t.wType == TIME_SAMPLES ? t.u.sample : 0) + tailFrames;
        LARGE_INTEGER counter, frequency;
        QueryPerformanceCounter(&counter);
        QueryPerformanceFrequency(&frequency);
        play.startCounter = counter.QuadPart + static_cast<std::int64_t>(tailFrames) * frequency.QuadPart /
                                                   std::max(1, source_->SampleRate());
        std::lock_guard lock(m_);
        if (generation_ == g) {
          workerGeneration_ = g;
          heard_ = play;
        }
      }
      if (!feeding) continue;
      if (speed != stretch.Speed() && !sourceDone) {
        stretch.SetSpeed(speed);
        play.ChangeSpeed(stretch.OutputFrames(), stretch.InputAt(stretch.OutputFrames()), stretch.Speed());
      }

      bool failed = false;
      MCIERROR readError = 0;
      for (int i = 0; i < kBuffers && !failed; ++i) {
        if (!out.Free(i)) continue;
        auto& samples = out.samples[static_cast<std::size_t>(i)];
        const std::size_t want = samples.size() / channels;
        while (stretch.Ready() < want && !sourceDone) {
          const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(decoded.size() / channels, play.to - readAt));
          std::size_t got = n == 0 ? 0 : source_->Read(decoded.data(), n);
          // A decoder's error ends the play at once rather than go on in silence.
          if (got < n && (readError = source_->ReadFailure()) != 0) break;
          // The file ends before the play does: at the end of the media as
          // the reader now knows it, that is the end; before it, try once
          // more, then it is an error.
          if (got == 0 && n > 0 && readAt < source_->Frames()) {
            source_->Seek(readAt);
            got = source_->Read(decoded.data(), n);
            readFailed = got == 0;
          }
          stretch.Push(decoded.data(), chain.Process(decoded.data(), got));
          readAt += got;
          if (got == 0 || readAt >= play.to) {  // the end of the play, or of what the file gave
            while (const std::size_t held = chain.Flush(decoded.data(), decoded.size() / channels))
              stretch.Push(decoded.data(), held);
            stretch.Finish();
            sourceDone = true;
            play.to = readAt;
          }
        }
        if (readError != 0) break;
        const std::size_t got = stretch.Pull(samples.data(), want);
        if (got == 0) break;
        WAVEHDR& h = out.headers[static_cast<std::size_t>(i)];
        if (h.dwFlags & WHDR_PREPARED) waveOutCalls.unprepare(out.device, &h, sizeof h);
        h = WAVEHDR{};
        h.lpData = reinterpret_cast<LPSTR>(samples.data());
        h.dwBufferLength = static_cast<DWORD>(got * channels * sizeof(std::int16_t));
        if (waveOutCalls.prepare(out.device, &h, sizeof h) != MMSYSERR_NOERROR ||
            waveOutWriteHook(out.device, &h, sizeof h) != MMSYSERR_NOERROR) {
          failed = true;
          break;
        }
        out.queued[static_cast<std::size_t>(i)] = true;
        out.firstOut[static_cast<std::size_t>(i)] = play.written;
        play.written += got;
      }

      const std::uint64_t frame = play.Frame(source_->Channels(), source_->SampleRate());
      if (failed) {
        feeding = false;
        waveOutCalls.reset(out.device);
        OutputFailed(generation, MCIERR_HARDWARE, frame);
        out.Close();
        continue;
      }
      if (readError != 0) {  // a decoder's error ends the play rather than go on in silence
        feeding = false;
        waveOutCalls.reset(out.device);
        OutputFailed(generation, readError, frame);
        continue;
      }
      const bool finished = sourceDone && stretch.Ready() == 0 && out.AllDone();
      std::lock_guard lock(m_);
      if (generation_ != generation) continue;
      if (finished && readFailed) {  // what was read has played; the rest could not be
        feeding = false;
        FailPlay(MCIERR_FILE_READ, play.to);
      } else if (finished) {
        feeding = false;
        mode_ = Mode::kStopped;
        position_ = std::min(play.to, source_->Frames());  // a seek past the samples' end ends at it
        EndNotify(MCI_NOTIFY_SUCCESSFUL);
      } else {
        heard_ = play;
      }
    }
    out.Close();
  }

  ~Device() { CloseHandle(wake_); }

  const MCIDEVICEID id_;
  const bool soundOnly_;  // the sound of a file whose picture the system's device could not show
  std::unique_ptr<PcmSource> source_;
  SoundSettings sound_;  // guarded by m_, as everything below
  std::int32_t longestMs_;  // the longest length the device has known
  HANDLE wake_;
  std::thread worker_;

  std::mutex m_;  // guards everything below
  Mode mode_ = Mode::kStopped;
  std::uint64_t position_ = 0;  // where the device stands while it does not play
  Heard heard_;                 // the play the worker runs, for the position
  std::uint64_t playFrom_ = 0, playTo_ = 0;
  DWORD speed_ = 1000;
  unsigned generation_ = 0;        // changes with every play, seek, pause and speed change
  unsigned workerGeneration_ = ~0u;  // the generation whose play the worker has started
  bool notifyPending_ = false;
  HWND notifyWindow_ = nullptr;
  MCIERROR outputError_ = 0;
  bool quit_ = false;
};

bool WaitForWorkers(DWORD waitMs) {
  WorkerCount& workers = Workers();
  std::unique_lock lock(workers.m);
  return workers.done.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return workers.running == 0; });
}

// The open devices. When the process ends (its static objects destroyed,
// the workers still running), the devices still open are closed and their
// workers given a moment to finish: a worker cut off by the process's end in
// the middle of closing a decoder or the sound card can crash the process.
struct DeviceTable : std::map<MCIDEVICEID, std::unique_ptr<Device, Device::Closer>> {
  ~DeviceTable() {
    clear();
    WaitForWorkers(kAudioWorkersExitWaitMs);
  }
};
DeviceTable devices;
MCIDEVICEID nextId = kFirstOwnId;
SoundSettings soundSettings;

bool EndsWith(std::string_view path, std::string_view ext) {
  if (path.size() < ext.size()) return false;
  const std::string_view tail = path.substr(path.size() - ext.size());
  for (std::size_t i = 0; i < ext.size(); ++i)
    if (static_cast<char>(std::tolower(static_cast<unsigned char>(tail[i]))) != ext[i]) return false;
  return true;
}

MCIDEVICEID AddDevice(std::unique_ptr<PcmSource> source, bool soundOnly) {
  if (source == nullptr || source->SampleRate() <= 0) return 0;
  const MCIDEVICEID id = nextId++;
  devices.emplace(id, std::unique_ptr<Device, Device::Closer>(new Device(id, std::move(source), soundOnly, soundSettings)));
  return id;
}

// An own device for a file this device reads: wav and mp3 by their own
// readers, anything else whose sound Media Foundation decodes; 0 for the
// rest. A file with a picture is left to the system's device, and its sound
// kept in soundOfVideo in case that device cannot open it.
MCIDEVICEID OpenOwn(const char* path, std::unique_ptr<PcmSource>& soundOfVideo) {
  std::unique_ptr<PcmSource> source;
  if (EndsWith(path, ".wav")) source = OpenWavSource(path);
  else if (EndsWith(path, ".mp3")) source = OpenMp3Source(path);
  if (source == nullptr) {
    MfOpened mf = OpenMfSource(path);
    if (mf.hasVideo) soundOfVideo = std::move(mf.source);
    else source = std::move(mf.source);
  }
  return AddDevice(std::move(source), false);
}

}  // namespace

void SetSoundSettings(const SoundSettings& settings) {
  soundSettings = settings;
  for (auto& [id, device] : devices) device->SetSound(settings);
}

const SoundSettings& CurrentSoundSettings() { return soundSettings; }

bool IsOwnAudioDevice(MCIDEVICEID device) { return devices.count(device) != 0; }

bool CloseAllAudioDevices(DWORD waitMs) {
  devices.clear();
  return WaitForWorkers(waitMs);
}

bool IsSoundOnly(MCIDEVICEID device) {
  const auto own = devices.find(device);
  return own != devices.end() && own->second->SoundOnly();
}

MCIERROR TakeAudioFailure(MCIDEVICEID device) {
  const auto own = devices.find(device);
  return own == devices.end() ? 0 : own->second->TakeFailure();
}

MCIERROR WINAPI AudioSendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parms) {
  if (message == MCI_OPEN && !useSystemDevices && parms != 0 &&
      (flags & ~static_cast<DWORD_PTR>(MCI_WAIT | MCI_NOTIFY)) == MCI_OPEN_ELEMENT) {
    auto* open = reinterpret_cast<MCI_OPEN_PARMSA*>(parms);
    if (open->lpstrElementName != nullptr) {
      std::unique_ptr<PcmSource> soundOfVideo;
      MCIDEVICEID id = OpenOwn(open->lpstrElementName, soundOfVideo);
      if (id == 0 && soundOfVideo != nullptr) {
        const MCIERROR error = mciSendCommandA(device, message, flags, parms);
        if (error == 0) return 0;  // the system's device shows the picture
        id = AddDevice(std::move(soundOfVideo), true);
        if (id == 0) return error;
      }
      if (id != 0) {
        open->wDeviceID = id;
        return 0;
      }
    }
  }
  const auto own = devices.find(device);
  if (own == devices.end()) return mciSendCommandA(device, message, flags, parms);
  if (message == MCI_CLOSE) {
    devices.erase(own);
    return 0;
  }
  return own->second->Command(message, static_cast<DWORD>(flags), parms);
}
