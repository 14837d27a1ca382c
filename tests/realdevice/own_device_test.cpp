// Dorvane's own audio device, playing the recordings through waveOut to the
// sound server (a PulseAudio null sink under scripts/test). Time is real, so
// checks take ranges, except where the device stands still.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "app/player_state.h"
#include "app/window_parts.h"
#include "audio/audio_device.h"
#include "audio/mf_source.h"
#include "audio/mp3_frames.h"
#include "playback/mci.h"
#include "playback/media.h"
#include "playback/position_text.h"
#include "playback/transport.h"
#include "playback/transport_math.h"
#include "res/resource.h"
#include "settings/settings_state.h"
#include "support/main_window_fixture.h"
#include "support/playback_fixture.h"
#include "support/temp_dir.h"
#include "real_time.h"

namespace {

struct Sent {
  UINT message;
  DWORD flags;
  DWORD to;
  MCIERROR result;
};
std::vector<Sent> sent;

// Every command Dorvane sends, passed to the device behind the seam by
// default (Dorvane's own, or the system's when the user chose it) and noted.
MCIERROR WINAPI RecordAndSend(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parms) {
  Sent s{message, static_cast<DWORD>(flags), 0, 0};
  if (parms != 0 && message == MCI_SEEK) s.to = reinterpret_cast<const MCI_SEEK_PARMS*>(parms)->dwTo;
  s.result = AudioSendCommand(device, message, flags, parms);
  sent.push_back(s);
  return s.result;
}

class OwnDeviceTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    sent.clear();
    useSystemDevices = false;
    mciSendCommandHook = RecordAndSend;
  }
  void TearDown() override {
    waveOutWriteHook = waveOutWrite;
    if (window != nullptr && player.isOpen) Call(WM_COMMAND, IDM_CLOSE);
    useSystemDevices = false;
    MainWindowTest::TearDown();
  }

  std::string Media(const char* name) const { return MediaDir() + "\\" + name; }
  void StartWith(const std::string& path) {
    CreateMainWindow(path.c_str());
    ASSERT_TRUE(player.isOpen) << path;
    sent.clear();
  }
  // The window started with the recording, or the recording opened in it.
  void Open(const char* name) {
    if (window == nullptr) StartWith(Media(name));
    else OpenMediaFile(window, Media(name).c_str());
  }


  std::int32_t Position() const {
    MCI_STATUS_PARMS status{};
    status.dwItem = MCI_STATUS_POSITION;
    if (AudioSendCommand(player.deviceId, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)) != 0)
      return -1;
    return static_cast<std::int32_t>(status.dwReturn);
  }
  bool SoundRuns() {
    return PumpUntil([this] { return Position() > 0; }, 3000);
  }
  std::vector<Sent> SentOf(UINT message) const {
    std::vector<Sent> found;
    for (const auto& s : sent)
      if (s.message == message) found.push_back(s);
    return found;
  }
  std::vector<CaughtDialog> Boxes() const { return WithoutHotKeyWarnings(dialogs.Caught()); }
  // What the window shows of the length: the status bar's text and the
  // position slider's range.
  std::pair<std::string, LRESULT> ShownLength() const {
    return {StatusText(kStatusLength), SendDlgItemMessageA(window, IDC_POSITION, TBM_GETRANGEMAX, 0, 0)};
  }

  // The largest step of the position beyond the time that passed between two
  // readings about 5 ms apart, while it plays for ms, and how far it went.
  // (A test thread that the system keeps waiting sees large but honest jumps.)
  std::pair<std::int32_t, std::int32_t> StepsWhilePlaying(DWORD ms) {
    const std::int32_t start = Position();
    std::int32_t last = start, largest = 0;
    DWORD lastTick = GetTickCount();
    PumpUntil([&] {
      const std::int32_t now = Position();
      const DWORD tick = GetTickCount();
      largest = std::max(largest, now - last - static_cast<std::int32_t>(tick - lastTick));
      last = now;
      lastTick = tick;
      return false;
    }, ms);
    return {largest, last - start};
  }

  void SetSpeed(int slider) {
    SetSliderPos(IDC_SPEED, slider);
    Call(WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, slider), reinterpret_cast<LPARAM>(Item(IDC_SPEED)));
  }
  // Plays on from a position, as a jump does, straight through the device.
  void PlayFrom(DWORD ms) {
    MCI_PLAY_PARMS play{};
    play.dwFrom = ms;
    ASSERT_EQ(AudioSendCommand(player.deviceId, MCI_PLAY, MCI_FROM, reinterpret_cast<DWORD_PTR>(&play)), 0u);
  }

  // Position moved per wall-clock second over ms of playing.
  double Rate(DWORD ms) {
    const DWORD start = GetTickCount();
    const std::int32_t from = Position();
    PumpFor(ms);
    return (Position() - from) / static_cast<double>(GetTickCount() - start);
  }

  // The rate at speed 0.75 over the rate at 1.0 measured right after it, on
  // an open 12 s recording, after 3 s of playing (see the test that uses it
  // first); NaN when there is no sound output.
  double SlowOverNormal();
};

// A freshly opened output of Wine's PulseAudio driver counts slowly for its
// first second or so (the system's wave device as much as this one), so steps
// and rates are measured after that.
constexpr DWORD kWarmUpMs = 1500;

#define SKIP_WITHOUT_SOUND()                                                               \
  if (!SoundRuns()) GTEST_SKIP() << "no sound output: the position never moved (start a " \
                                    "sound server, e.g. a PulseAudio null sink, as scripts/test does)"

TEST_F(OwnDeviceTest, WavAndMp3PlayWithFinePositionSteps) {
  // The telephone formats of wav (mu-law, IMA ADPCM) too.
  for (const char* name : {"speech.wav", "speech.mp3", "tone.wav", "speech-ulaw.wav", "speech-adpcm.wav"}) {
    SCOPED_TRACE(name);
    Open(name);
    ASSERT_TRUE(player.isOpen);
    EXPECT_TRUE(IsOwnAudioDevice(player.deviceId));
    EXPECT_NEAR(player.mediaLength, name[0] == 't' ? 2000 : 6000, 5);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_SPEED)));  // speed works for wav too
    Call(WM_COMMAND, IDT_PLAY);
    SKIP_WITHOUT_SOUND();
    PumpFor(kWarmUpMs);
    const auto [largest, moved] = StepsWhilePlaying(600);
    EXPECT_LE(largest, 60);
    EXPECT_GT(moved, 300);
    EXPECT_EQ(StatusText(kStatusMode), "playing");
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(OwnDeviceTest, Mp3PauseAndResumeRewindWithoutAnyBox) {
  StartWith(Media("speech.mp3"));
  SetUnpauseRewindMs(window, 2000);
  Call(WM_COMMAND, IDT_PLAY);
  SKIP_WITHOUT_SOUND();
  ASSERT_TRUE(PumpUntil([this] { return Position() >= 2500; }, 5000));
  Call(WM_COMMAND, IDT_PAUSE);
  const std::int32_t paused = Position();
  PumpFor(300);
  EXPECT_EQ(Position(), paused);  // stands still
  Call(WM_COMMAND, IDT_PAUSE);
  const auto seeks = SentOf(MCI_SEEK);
  ASSERT_EQ(seeks.size(), 1u);
  EXPECT_EQ(seeks[0].to, static_cast<DWORD>(paused - 2000));
  EXPECT_EQ(seeks[0].result, 0u);
  ASSERT_TRUE(PumpUntil([&] { return Position() > paused - 2000 + 300; }, 3000)) << Position();
  EXPECT_LT(Position(), paused);
  // Pausing twice more: the second meets a stopped device after a seek.
  Call(WM_COMMAND, IDT_PAUSE);
  MCI_SEEK_PARMS seek{};
  seek.dwTo = 1000;
  EXPECT_EQ(AudioSendCommand(player.deviceId, MCI_SEEK, MCI_TO, reinterpret_cast<DWORD_PTR>(&seek)), 0u);
  EXPECT_EQ(AudioSendCommand(player.deviceId, MCI_PAUSE, 0, 0), 0u);
  EXPECT_EQ(Position(), 1000);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(OwnDeviceTest, HeldFastWindOnMp3StepsAsTheTableSays) {
  StartWith(Media("speech.mp3"));
  Call(WM_COMMAND, IDT_PLAY);
  SKIP_WITHOUT_SOUND();
  for (int i = 0; i < 6; ++i) {
    Call(WM_HOTKEY, 4);
    PumpFor(20);
  }
  const auto seeks = SentOf(MCI_SEEK);
  ASSERT_EQ(seeks.size(), 6u);
  for (std::size_t i = 1; i < seeks.size(); ++i) {
    const std::int32_t step = FastWindStep(static_cast<std::int32_t>(i), timingOptions.HotKeySpeedupDelay,
                                           timingOptions.HotKeySlowRepeatSpeed, timingOptions.HotKeyFastRepeatSpeed);
    EXPECT_EQ(seeks[i].to, seeks[i - 1].to + static_cast<DWORD>(step)) << i;
    EXPECT_EQ(seeks[i].result, 0u);
  }
  EXPECT_EQ(Position(), static_cast<std::int32_t>(seeks.back().to));
  // The burst ends and playback goes on from there.
  ASSERT_TRUE(PumpUntil([&] { return Position() > static_cast<std::int32_t>(seeks.back().to) + 200; }, 3000));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(OwnDeviceTest, ShortWalkReachesTwoOfTwoAndAdvances) {
  for (const char* name : {"speech.mp3", "twice.opus"}) {  // the second through Media Foundation
    SCOPED_TRACE(name);
    Open(name);
    SetBackspaceMs(window, 500);
    SetWalkLengthMs(window, 1000);
    SetWalkPauseMs(window, 500);
    SendDlgItemMessageA(window, IDC_LOOPS_UPDOWN, UDM_SETPOS, 0, MAKELPARAM(2, 0));
    Call(WM_COMMAND, IDT_WALK);
    SKIP_WITHOUT_SOUND();
    ASSERT_TRUE(PumpUntil([this] { return StatusText(kStatusCounter) == "2 of 2"; }, 6000));
    ASSERT_TRUE(PumpUntil([this] { return StatusText(kStatusCounter) == "1 of 2"; }, 6000));
    // The second chunk starts one backspace before the end of the first.
    EXPECT_TRUE(PumpUntil([this] { return Position() > 500 && Position() <= 1500; }, 1000)) << Position();
    EXPECT_TRUE(player.isWalking);
    Call(WM_COMMAND, IDT_PAUSE);
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(OwnDeviceTest, TheEndOfTheMediaPauses) {
  for (const char* name : {"tone.wav", "speech.mp3"}) {
    SCOPED_TRACE(name);
    Open(name);
    Call(WM_COMMAND, IDT_PLAY);
    SKIP_WITHOUT_SOUND();
    SeekTo(player.mediaLength - 700);
    PumpFor(200);  // the burst ends and playback restarts
    ASSERT_FALSE(player.isPaused);
    ASSERT_TRUE(PumpUntil([] { return player.isPaused != FALSE; }, 4000)) << Position();
    EXPECT_EQ(Position(), player.mediaLength);
    EXPECT_EQ(StatusText(kStatusPaused), "paused");
  }
  EXPECT_TRUE(Boxes().empty());
}

// A fresh output of Wine's PulseAudio driver plays at about two thirds of
// the wall clock for its first second and a half, then slightly slow for
// another second (seen); and the null sink of a busy machine can lag the
// wall clock, for the system's devices as much as for this one. So the rate
// at 0.75 is taken on the 12 s recordings after 3 s of playing, against the
// rate at 1.0 measured right after it.
// A change of speed is heard once the sound already queued (about half a
// second) has played, so each rate is taken 800 ms after its change.
double OwnDeviceTest::SlowOverNormal() {
  SetSpeed(5);
  Call(WM_COMMAND, IDT_PLAY);
  if (!SoundRuns()) return std::nan("");
  PumpFor(2 * kWarmUpMs);
  SetSpeed(0);
  PumpFor(800);
  const double slow = Rate(1500);
  SetSpeed(5);
  PumpFor(800);
  return slow / Rate(1500);
}

TEST_F(OwnDeviceTest, SpeedThreeQuartersAdvancesThreeQuartersOfASecondPerSecond) {
  for (const char* name : {"twice.wav", "twice.mp3", "twice-ulaw.wav"}) {
    SCOPED_TRACE(name);
    Open(name);
    const double ratio = SlowOverNormal();
    if (std::isnan(ratio)) SKIP_WITHOUT_SOUND();
    EXPECT_NEAR(ratio, 0.75, 0.0375);
  }
  EXPECT_TRUE(Boxes().empty());
}

// Every seek and resume restarts the output, and Wine's driver then counts
// its server's buffer (about 110 ms) as played at once: the position must
// still move with the time since the restart, not leap. A change of speed
// restarts nothing: the queued sound plays on at the speed it was made at,
// so the position may move at the faster of the two speeds meanwhile.
TEST_F(OwnDeviceTest, AfterARestartThePositionDoesNotRunAheadOfTheClock) {
  for (const char* name : {"speech.wav", "speech.mp3"}) {
    SCOPED_TRACE(name);
    Open(name);
    Call(WM_COMMAND, IDT_PLAY);
    SKIP_WITHOUT_SOUND();
    PumpFor(kWarmUpMs);
    struct Restart {
      const char* what;
      std::int32_t playFrom;  // or -1: a change of speed, going on from where it is
      int slider;
      double speed;           // the fastest the position may move after it
    };
    constexpr Restart kRestarts[] = {
        {"play from 1 s", 1000, 5, 1.0},
        {"speed 0.75", -1, 0, 1.0},
        {"play from 2 s at 0.75", 2000, 0, 0.75},
        {"speed 1.0", -1, 5, 1.0},
    };
    for (const Restart& r : kRestarts) {
      SCOPED_TRACE(r.what);
      LARGE_INTEGER frequency, start, now;
      QueryPerformanceFrequency(&frequency);
      QueryPerformanceCounter(&start);
      const std::int32_t from = r.playFrom >= 0 ? r.playFrom : Position();
      if (r.playFrom >= 0) PlayFrom(static_cast<DWORD>(r.playFrom));
      else SetSpeed(r.slider);
      std::int32_t ahead = INT32_MIN, moved = 0;
      PumpUntil([&] {
        QueryPerformanceCounter(&now);
        const double ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
        moved = Position() - from;
        ahead = std::max(ahead, moved - static_cast<std::int32_t>(ms * r.speed));
        return false;
      }, 400);
      EXPECT_LE(ahead, 15);
      EXPECT_GT(moved, 100 * r.speed);
    }
    SetSpeed(5);
  }
  EXPECT_TRUE(Boxes().empty());
}

// The sound card goes away while playing: the next buffer cannot be
// written. The play's box, then Paused where the sound stopped; resuming
// once the card is back plays again.
TEST_F(OwnDeviceTest, ASoundCardThatGoesAwayGivesThePlaysBoxThenPaused) {
  for (const char* name : {"speech.wav", "speech.mp3"}) {
    SCOPED_TRACE(name);
    Open(name);
    dialogs.Clear();
    Call(WM_COMMAND, IDT_PLAY);
    SKIP_WITHOUT_SOUND();
    PumpFor(300);
    waveOutWriteHook = [](HWAVEOUT, LPWAVEHDR, UINT) -> MMRESULT { return MMSYSERR_NODRIVER; };
    ASSERT_TRUE(PumpUntil([] { return player.isPaused != FALSE; }, 3000));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, MciErrorCaption("Play file"));
    EXPECT_EQ(Boxes()[0].text, MciErrorText(MCIERR_HARDWARE));
    EXPECT_EQ(StatusText(kStatusPaused), "paused");
    const std::int32_t stopped = Position();
    PumpFor(200);
    EXPECT_EQ(Position(), stopped);
    for (const Sent& s : sent) EXPECT_EQ(s.result, 0u) << s.message;  // no false alarm from the pause

    waveOutWriteHook = waveOutWrite;
    Call(WM_COMMAND, IDT_PLAY);
    EXPECT_TRUE(PumpUntil([&] { return Position() > stopped + 200; }, 3000)) << stopped;
    EXPECT_FALSE(player.isPaused);
    EXPECT_EQ(Boxes().size(), 1u);
  }
}

// The file is cut short while it plays (a share that drops, a recording
// still being copied): what was read plays, then the play's box with MCI's
// read error, then Paused where the sound stopped; no success, no walk on.
TEST_F(OwnDeviceTest, AFileCutShortWhilePlayingGivesAReadErrorThenPaused) {
  for (const char* name : {"speech.wav", "speech.mp3"}) {
    SCOPED_TRACE(name);
    const std::string copy = TempFile(std::string("cut-") + name);
    ASSERT_TRUE(CopyFileA(Media(name).c_str(), copy.c_str(), FALSE));
    if (window == nullptr) StartWith(copy);
    else OpenMediaFile(window, copy.c_str());
    ASSERT_TRUE(IsOwnAudioDevice(player.deviceId));
    dialogs.Clear();
    Call(WM_COMMAND, IDT_PLAY);
    SKIP_WITHOUT_SOUND();
    HANDLE f = CreateFileA(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    LARGE_INTEGER half;
    half.QuadPart = GetFileSize(f, nullptr) / 2;
    SetFilePointerEx(f, half, nullptr, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(f));
    CloseHandle(f);
    ASSERT_TRUE(PumpUntil([] { return player.isPaused != FALSE; }, 6000)) << Position();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, MciErrorCaption("Play file"));
    EXPECT_EQ(Boxes()[0].text, MciErrorText(MCIERR_FILE_READ));
    EXPECT_EQ(StatusText(kStatusPaused), "paused");
    // It stopped about where the half ends (3 s of 6), not at the end.
    EXPECT_GT(Position(), 2500);
    EXPECT_LT(Position(), 3500);
    Call(WM_COMMAND, IDM_CLOSE);
  }
}

// Closing a playing recording returns at once even while the device's worker
// is stuck (here in a write to a sound card that hangs for 1.5 s; as well in a
// read on a stalled share): the worker stops the card and frees the device
// alone, and the next file opens and plays meanwhile.
TEST_F(OwnDeviceTest, ClosingWhilePlayingDoesNotWaitForAStuckWorker) {
  for (const char* name : {"speech.wav", "speech.mp3"}) {
    SCOPED_TRACE(name);
    Open(name);
    Call(WM_COMMAND, IDT_PLAY);
    SKIP_WITHOUT_SOUND();
    waveOutWriteHook = [](HWAVEOUT device, LPWAVEHDR header, UINT size) -> MMRESULT {
      Sleep(1500);
      return waveOutWrite(device, header, size);
    };
    PumpFor(300);  // the worker writes a buffer every 40 ms: now it hangs in one
    const MCIDEVICEID id = player.deviceId;
    const DWORD start = GetTickCount();
    Call(WM_COMMAND, IDM_CLOSE);
    EXPECT_LT(GetTickCount() - start, 200u);
    EXPECT_FALSE(IsOwnAudioDevice(id));
    waveOutWriteHook = waveOutWrite;
    Open(name);
    Call(WM_COMMAND, IDT_PLAY);
    EXPECT_TRUE(PumpUntil([this] { return Position() > 300; }, 3000));
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(OwnDeviceTest, SystemDevicesBringBackTheSystemsWaveDevice) {
  // The choice as the options file read at start gives it.
  HANDLE f = CreateFileA(TempFile("default.usr").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, "SystemDevices=1\r\n", 17, &written, nullptr);
  CloseHandle(f);
  StartWith(Media("speech.wav"));
  EXPECT_TRUE(useSystemDevices);
  EXPECT_FALSE(IsOwnAudioDevice(player.deviceId));
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_SPEED)));  // Wine's wave device takes no speed
  useSystemDevices = false;
  OpenMediaFile(window, Media("speech.wav").c_str());
  EXPECT_TRUE(IsOwnAudioDevice(player.deviceId));
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_SPEED)));
}

// Files that are damaged or lie: each either plays what is really there or
// is left to the system's device, which reports it; nothing hangs.
TEST_F(OwnDeviceTest, DamagedFiles) {
  CreateMainWindow("");
  auto write = [&](const std::string& name, const std::string& bytes, std::uint64_t size) {
    const std::string path = TempFile(name);
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    SetFilePointerEx(f, end, nullptr, FILE_BEGIN);
    SetEndOfFile(f);
    CloseHandle(f);
    return path;
  };
  auto le32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  const std::string header = "RIFF" + le32(0xFFFFFFF0u) + "WAVEfmt " + le32(16) + std::string("\1\0\2\0", 4) +
                             le32(44100) + le32(176400) + std::string("\4\0\20\0", 4) + "data" + le32(0xFFFFFFF0u);
  struct Case {
    std::string path;
    bool own;
    std::int32_t length;
  } cases[] = {
      {write("sparse.wav", header, 0x100000000ull + 44), true, 24347887},  // 4 GB of silence
      {write("cut.wav", header, 44 + 44100), true, 250},                    // sizes pass the end
      {write("empty.wav", "", 0), false, 0},
      {write("garbage.mp3", std::string("\xFF\xFB\x90\x64", 4) + std::string(5000, 'x'), 5004), false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    dialogs.Clear();
    OpenMediaFile(window, c.path.c_str());
    if (c.own) {
      ASSERT_TRUE(player.isOpen);
      EXPECT_TRUE(IsOwnAudioDevice(player.deviceId));
      EXPECT_EQ(player.mediaLength, c.length);
      Call(WM_COMMAND, IDT_PLAY);
      PumpFor(300);
      Call(WM_COMMAND, IDT_PAUSE);
      EXPECT_TRUE(Boxes().empty());
    } else {
      EXPECT_FALSE(player.isOpen && IsOwnAudioDevice(player.deviceId));
    }
  }
  Call(WM_COMMAND, IDM_CLOSE);
}

// Channel 0 of frames decoded from frame on.
std::vector<double> Decoded(PcmSource& source, std::uint64_t frame, std::size_t frames) {
  const std::size_t ch = static_cast<std::size_t>(source.Channels());
  std::vector<std::int16_t> pcm(frames * ch);
  source.Seek(frame);
  const std::size_t got = source.Read(pcm.data(), frames);
  std::vector<double> mono(got);
  for (std::size_t i = 0; i < got; ++i) mono[i] = pcm[i * ch];
  return mono;
}

// The lag in frames, within span either way, at which the decoded frames
// best match the reference, which starts span frames before them.
int BestLag(const std::vector<double>& decoded, const std::vector<double>& reference, int span) {
  int best = 0;
  double bestScore = -2;
  for (int lag = -span; lag <= span; ++lag) {
    double dot = 0, energy = 1e-9;
    for (std::size_t i = 0; i < decoded.size(); ++i) {
      const double r = reference[i + static_cast<std::size_t>(span + lag)];
      dot += decoded[i] * r;
      energy += r * r;
    }
    if (const double score = dot / std::sqrt(energy); score > bestScore) bestScore = score, best = lag;
  }
  return best;
}

// Every format Media Foundation decodes plays on the own device as wav does:
// the right length, seeks that land on the wav's very samples, and speed.
// The mp4 has a picture that Wine's devices cannot show, so its sound plays.
TEST_F(OwnDeviceTest, MediaFoundationFormatsOpenSeekAndSlowDown) {
  struct Format {
    const char* name;
    bool soundOnly;
  };
  constexpr Format kFormats[] = {{"twice.m4a", false},  {"twice.opus", false}, {"twice.ogg", false},
                                 {"twice.flac", false}, {"twice.webm", false}, {"video.mp4", true}};
  constexpr int kRate = 48000, kOneMs = kRate / 1000, kSpan = 50 * kOneMs, kFrames = 100 * kOneMs;
  const auto wav = OpenWavSource(Media("twice48.wav").c_str());
  ASSERT_NE(wav, nullptr);
  for (const Format& f : kFormats) {
    SCOPED_TRACE(f.name);
    MfOpened opened = OpenMfSource(Media(f.name).c_str());
    ASSERT_NE(opened.source, nullptr);
    EXPECT_EQ(opened.hasVideo, f.soundOnly);
    ASSERT_EQ(opened.source->SampleRate(), kRate);
    // Forwards and back, again and again: a buffer decoded before a seek
    // and handed over after it shows as a seek that lands elsewhere.
    for (int i = 0; i < 16; ++i) {
      const std::uint64_t at = (i % 2 == 0 ? 1234 : 6789) * static_cast<std::uint64_t>(kOneMs);
      SCOPED_TRACE(at);
      const std::vector<double> decoded = Decoded(*opened.source, at, kFrames);
      ASSERT_EQ(decoded.size(), static_cast<std::size_t>(kFrames));
      EXPECT_LE(std::abs(BestLag(decoded, Decoded(*wav, at - kSpan, kFrames + 2 * kSpan), kSpan)), kOneMs);
    }

    Open(f.name);
    ASSERT_TRUE(player.isOpen);
    EXPECT_TRUE(IsOwnAudioDevice(player.deviceId));
    EXPECT_EQ(IsSoundOnly(player.deviceId), f.soundOnly);
    EXPECT_EQ(StatusText(kStatusCounter), f.soundOnly ? "sound only" : "");
    EXPECT_NEAR(player.mediaLength, 12000, 30);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_SPEED)));
    const double ratio = SlowOverNormal();
    if (std::isnan(ratio)) SKIP_WITHOUT_SOUND();
    EXPECT_NEAR(ratio, 0.75, 0.0375);
    Call(WM_COMMAND, IDT_PAUSE);
    SeekTo(4321);
    EXPECT_EQ(Position(), 4321);
  }
  EXPECT_TRUE(Boxes().empty());
}

// Files that only look like recordings: each gives one clear box and leaves
// Dorvane without a file, or paused where the sound breaks off (a cut file,
// and one whose decoder gives up at damage: its sound ends seconds before
// the length the file gives).
TEST_F(OwnDeviceTest, FilesThatAreNotWhatTheirNamesSayGiveOneBox) {
  struct Bad {
    const char* name;
    const char* caption;  // the MCI command whose box shows
    bool opens;
  };
  constexpr Bad kBad[] = {
      {"empty.m4a", "Open device", false},
      {"note.opus", "Open device", false},
      {"picture.mp4", "Open device", false},  // no sound, and a picture Wine's devices cannot show
      {"half.m4a", "Play file", true},
      {"garbled.m4a", "Play file", true},
  };
  CreateMainWindow("");
  for (const Bad& b : kBad) {
    SCOPED_TRACE(b.name);
    dialogs.Clear();
    OpenMediaFile(window, Media(b.name).c_str());
    ASSERT_EQ(player.isOpen != FALSE, b.opens);
    if (b.opens) {
      Call(WM_COMMAND, IDT_PLAY);
      PumpUntil([this] { return !Boxes().empty(); }, 15000);
      EXPECT_TRUE(player.isPaused);
    }
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, MciErrorCaption(b.caption));
    Call(WM_COMMAND, IDM_CLOSE);
  }
}

// A recording's bytes.
std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// What the window should show of a length: the status bar's text and the
// position slider's range.
std::pair<std::string, LRESULT> LengthShownFor(std::int32_t ms) {
  return {FormatPosition(ms), PositionSliderRangeForLength(ms).max};
}

// Big-endian counts in a file's bytes, scaled as a lying header would have them.
void ScaleBe32(std::string& bytes, std::size_t at, double by) {
  auto* p = reinterpret_cast<unsigned char*>(bytes.data() + at);
  const auto v = static_cast<std::uint32_t>(((p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3]) * by);
  for (int b = 0; b < 4; ++b) p[b] = static_cast<unsigned char>(v >> (24 - 8 * b));
}

// Recordings whose length headers lie about their 12 s of sound: an m4a's
// (mvhd, tkhd, mdhd) saying 18 s or 7.2 s opens with the length its sample
// table gives; a flac's (STREAMINFO) saying 7.2 s opens with that and grows
// as the sound goes on past it. Each plays from 5 s to the sound's real end
// and pauses there without a box, the window showing the length of the
// decoded sound in the status bar and the slider's range.
TEST_F(OwnDeviceTest, RecordingsWhoseLengthHeadersLiePlayToTheirRealEnd) {
  struct Case {
    const char* name;
    double says;
    std::int32_t opensWith;  // ms
  } cases[] = {{"twice.m4a", 1.5, 12000}, {"twice.m4a", 0.6, 12000}, {"twice.flac", 0.6, 7200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " says " + std::to_string(c.says));
    std::string lying = ReadBytes(Media(c.name));
    if (lying.compare(0, 4, "fLaC") == 0) {
      ScaleBe32(lying, 8 + 14, c.says);  // the low 32 bits of the count of samples (the rest are 0)
    } else {
      for (const char* box : {"mvhd", "tkhd", "mdhd"}) {  // version 0: the duration's place after the box's type
        const std::size_t at = lying.find(box);
        ASSERT_NE(at, std::string::npos);
        ScaleBe32(lying, at + 4 + (box[1] == 'k' ? 20 : 16), c.says);
      }
    }
    const std::string path = Media(("says-" + std::to_string(c.says) + "-" + c.name).c_str());
    WriteTextFile(path, lying);
    dialogs.Clear();
    if (window == nullptr) StartWith(path);
    else OpenMediaFile(window, path.c_str());
    ASSERT_TRUE(player.isOpen && IsOwnAudioDevice(player.deviceId));
    EXPECT_NEAR(player.mediaLength, c.opensWith, 50);
    SeekTo(5000);
    Call(WM_COMMAND, IDT_PLAY);
    if (!SoundRuns()) SKIP_WITHOUT_SOUND();
    ASSERT_TRUE(PumpUntil([] { return player.isPaused != FALSE; }, 15000));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_NEAR(player.mediaLength, 12000, 30);
    EXPECT_EQ(Position(), player.mediaLength);
    EXPECT_EQ(ShownLength(), LengthShownFor(player.mediaLength));
    Call(WM_COMMAND, IDM_CLOSE);
  }
}

// An untagged CBR mp3 of two hours (the speech's frames over and over, its
// Info frame left out): the window shows the length the bit rate gives at
// once, and without a play, within seconds, the exact length of its frames.
TEST_F(OwnDeviceTest, AnUntaggedLongMp3ShowsItsExactLengthOnceIndexed) {
  const std::string tagged = ReadBytes(Media("twice.mp3"));
  const Mp3Index index = BuildMp3Index(tagged.size(), MemoryReader({reinterpret_cast<const std::uint8_t*>(tagged.data()), tagged.size()}));
  ASSERT_TRUE(index.hasInfoFrame);
  const std::string frames = tagged.substr(index.frameOffsets.front());
  std::string untagged;
  for (int copies = 0; copies < 600; ++copies) untagged += frames;
  const std::string path = Media("long-untagged.mp3");
  WriteTextFile(path, untagged);
  const Mp3Index whole = BuildMp3Index(untagged.size(), MemoryReader({reinterpret_cast<const std::uint8_t*>(untagged.data()), untagged.size()}));
  const std::int32_t exact = static_cast<std::int32_t>(whole.PlayableSamples() * 1000 / whole.format.sampleRate);

  StartWith(path);
  ASSERT_TRUE(IsOwnAudioDevice(player.deviceId));
  EXPECT_NEAR(player.mediaLength, exact, exact / 1000);
  EXPECT_EQ(ShownLength(), LengthShownFor(player.mediaLength));
  EXPECT_TRUE(PumpUntil([&] { return player.mediaLength == exact; }, 10000)) << player.mediaLength << " for " << exact;
  EXPECT_EQ(ShownLength(), LengthShownFor(exact));
  Call(WM_COMMAND, IDM_CLOSE);
  DeleteFileA(path.c_str());
}

// What the device hands the sound card, measured as it goes by.
struct Heard {
  std::mutex m;
  int peak = 0;
  double sum = 0;
  std::size_t count = 0;
  double RmsDb() {
    std::lock_guard lock(m);
    return count == 0 ? -200 : 10 * std::log10(sum / static_cast<double>(count) / (32768.0 * 32768.0));
  }
  void Clear() {
    std::lock_guard lock(m);
    peak = 0;
    sum = 0;
    count = 0;
  }
} heard;

TEST_F(OwnDeviceTest, ABoostedPlayIsLouderAndNeverClips) {
  waveOutWriteHook = [](HWAVEOUT out, LPWAVEHDR h, UINT size) -> MMRESULT {
    const auto* samples = reinterpret_cast<const std::int16_t*>(h->lpData);
    std::lock_guard lock(heard.m);
    for (std::size_t i = 0; i < h->dwBufferLength / 2; ++i) {
      heard.peak = std::max(heard.peak, std::abs(static_cast<int>(samples[i])));
      heard.sum += static_cast<double>(samples[i]) * samples[i];
      ++heard.count;
    }
    return waveOutWrite(out, h, size);
  };
  StartWith(Media("twice.wav"));
  Call(WM_COMMAND, IDT_PLAY);
  SKIP_WITHOUT_SOUND();
  // The same stretch of the recording, from its start, plain and boosted.
  const auto measure = [this](int boostDb) {
    SetSoundSettings({boostDb});
    heard.Clear();
    PlayFrom(0);
    PumpFor(2500);
    return heard.RmsDb();
  };
  const double plain = measure(0);
  const double boosted = measure(12);  // its loudest syllables held by the limiter
  EXPECT_GE(boosted - plain, 6.0) << plain << " dB, then " << boosted << " dB";
  EXPECT_LE(heard.peak, kSoundCeiling);
  EXPECT_EQ(StatusText(kStatusMode), "playing");
  SetSoundSettings({});
}

}  // namespace
