// Dorvane's own audio device on a fake sound card whose clock the test moves
// (no sound server): how each play ends and what the window then shows.
#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/player_state.h"
#include "app/window_parts.h"
#include "audio/audio_device.h"
#include "playback/mci.h"
#include "playback/media.h"
#include "res/resource.h"
#include "support/fake_wave_out.h"
#include "support/main_window_fixture.h"
#include "support/playback_fixture.h"

namespace {

// 2 s of a tone, 8 kHz mono 16-bit.
std::string TwoSecondWav() {
  auto le = [](std::uint32_t v, int bytes) { return std::string(reinterpret_cast<const char*>(&v), static_cast<std::size_t>(bytes)); };
  std::string data;
  for (int i = 0; i < 16000; ++i) data += le(static_cast<std::uint32_t>((i % 20 < 10 ? 8000 : -8000) & 0xFFFF), 2);
  return "RIFF" + le(36 + 16000 * 2, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) + le(16000, 4) +
         le(2, 2) + le(16, 2) + "data" + le(16000 * 2, 4) + data;
}

class OwnDeviceCardTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    fake_wave_out::Install();
    useSystemDevices = false;
    mciSendCommandHook = AudioSendCommand;
  }
  void TearDown() override {
    if (window != nullptr && player.isOpen) Call(WM_COMMAND, IDM_CLOSE);
    fake_wave_out::Remove();
    MainWindowTest::TearDown();
  }
};

TEST_F(OwnDeviceCardTest, APlayEndsAtTheEndOrWithTheBoxOfWhatStoppedIt) {
  struct Case {
    const char* what;
    std::size_t fileBytes;  // what is left of the file once it is open
    bool refuseCard;
    MCIERROR error;         // the box's error, 0 for none
    std::int32_t pausedAt;  // ms
  } cases[] = {
      {"plays to the end", 44 + 32000, false, 0, 2000},
      {"cut short at 1 s", 44 + 16000, false, MCIERR_FILE_READ, 1000},
      {"cut inside a sample frame", 44 + 16001, false, MCIERR_FILE_READ, 1000},
      {"the card is taken", 44 + 32000, true, MCIERR_WAVE_OUTPUTSINUSE, 0},
  };
  const std::string wav = TwoSecondWav();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = TempFile(std::string(c.what) + ".wav");
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, wav.data(), static_cast<DWORD>(wav.size()), &written, nullptr);
    CloseHandle(f);
    if (window == nullptr) CreateMainWindow(path.c_str());
    else OpenMediaFile(window, path.c_str());
    ASSERT_TRUE(player.isOpen && IsOwnAudioDevice(player.deviceId));
    ASSERT_EQ(player.mediaLength, 2000);
    f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFilePointer(f, static_cast<LONG>(c.fileBytes), nullptr, FILE_BEGIN);
    SetEndOfFile(f);
    CloseHandle(f);
    fake_wave_out::refuseOpen = c.refuseCard;
    dialogs.Clear();

    Call(WM_COMMAND, IDT_PLAY);
    for (int tick = 0; tick < 1000 && !player.isPaused; ++tick) {  // 10 ms of sound a tick, 10 s at most
      fake_wave_out::Play(80);
      Sleep(2);
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    ASSERT_TRUE(player.isPaused);
    EXPECT_EQ(StatusText(kStatusPaused), "paused");
    EXPECT_EQ(QueryMciStatus(MCI_STATUS_POSITION, false), c.pausedAt);
    const auto boxes = WithoutHotKeyWarnings(dialogs.Caught());
    ASSERT_EQ(boxes.size(), c.error == 0 ? 0u : 1u);
    if (c.error != 0) {
      EXPECT_EQ(boxes[0].caption, MciErrorCaption("Play file"));
      EXPECT_EQ(boxes[0].text, MciErrorText(c.error));
    }
  }
}

// A pause, a stop or a seek while playing cuts the queued sound off: what
// follows the frame being heard plays on for 4 ms, faded out, instead of
// ending with a click.
TEST_F(OwnDeviceCardTest, SoundCutOffWhilePlayingFadesOut) {
  const std::string path = TempFile("tone.wav");
  const std::string wav = TwoSecondWav();
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, wav.data(), static_cast<DWORD>(wav.size()), &written, nullptr);
  CloseHandle(f);
  CreateMainWindow(path.c_str());
  ASSERT_TRUE(player.isOpen && IsOwnAudioDevice(player.deviceId));
  struct Case {
    const char* what;
    UINT message;
    DWORD flags;
  } cases[] = {{"pause", MCI_PAUSE, 0}, {"stop", MCI_STOP, 0}, {"seek", MCI_SEEK, MCI_SEEK_TO_START}};
  constexpr std::size_t kFade = 32;  // 4 ms at 8 kHz
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MCI_PLAY_PARMS play{};
    ASSERT_EQ(AudioSendCommand(player.deviceId, MCI_PLAY, MCI_FROM, reinterpret_cast<DWORD_PTR>(&play)), 0u);
    const std::size_t start = fake_wave_out::PlayedSamples().size();
    while (fake_wave_out::PlayedSamples().size() < start + 4000) {
      fake_wave_out::Play(80);
      Sleep(2);
    }
    Sleep(600);  // the heard frame is never ahead of the time the play has had
    const std::size_t cutAt = fake_wave_out::PlayedSamples().size();
    MCI_SEEK_PARMS parms{};
    ASSERT_EQ(AudioSendCommand(player.deviceId, c.message, c.flags, reinterpret_cast<DWORD_PTR>(&parms)), 0u);
    for (int i = 0; i < 20; ++i) {
      Sleep(10);
      fake_wave_out::Play(80);
    }
    const std::vector<std::int16_t> heard = fake_wave_out::PlayedSamples();
    ASSERT_EQ(heard.size(), cutAt + kFade);
    double last = 1.0;  // the gain falls from the tone's full level to silence
    for (std::size_t i = 0; i < kFade; ++i) {
      const std::size_t frame = cutAt - start + i;
      const double gain = heard[cutAt + i] / (frame % 20 < 10 ? 8000.0 : -8000.0);  // of the tone it continues
      EXPECT_GE(gain, 0.0) << i;
      EXPECT_LE(gain, last + 1e-9) << i;
      if (i == 0) EXPECT_GT(gain, 0.95);
      last = gain;
    }
    EXPECT_LT(std::abs(heard.back()), 100);
  }
}

}  // namespace
