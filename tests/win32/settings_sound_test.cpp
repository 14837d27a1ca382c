// The Sound dialog run from the Options menu: every change acts at once on
// the audio device's settings and the status bar's mark, OK keeps, Cancel
// restores; greyed, with one line saying why, for a file on the system's
// MCI devices (the simulated device stands for them here).
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <string>
#include <vector>

#include "app/window_parts.h"
#include "audio/audio_device.h"
#include "res/resource.h"
#include "settings/settings_state.h"
#include "support/playback_fixture.h"

namespace {

class SoundDialogTest : public PlaybackTest {
 protected:
  void TearDown() override {
    PlaybackTest::TearDown();
    ResetSettingsState();
  }
};

// What the typist does in the dialog: the boost slider dragged to a
// position (-1: left), and the controls clicked, in turn.
struct Script {
  int boost = -1;
  std::array<int, 2> clicks{};  // 0: none
  int channel = -1;
};

void Perform(HWND dialog, const Script& script) {
  if (script.boost >= 0) {
    SendDlgItemMessageA(dialog, IDC_SND_BOOST, TBM_SETPOS, TRUE, script.boost);
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, script.boost),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_SND_BOOST)));
  }
  for (int id : script.clicks)
    if (id != 0) SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
  if (script.channel >= 0) {
    SendDlgItemMessageA(dialog, IDC_SND_CHANNEL, CB_SETCURSEL, static_cast<WPARAM>(script.channel), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SND_CHANNEL, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_SND_CHANNEL)));
  }
}

TEST_F(SoundDialogTest, ActsAtOnceOkKeepsAndCancelRestores) {
  struct Case {
    SoundSettings before;
    Script script;
    SoundSettings during;
    int button;
    std::string mark;  // the legend's start afterwards
  } cases[] = {
      {{}, {6, {IDC_SND_LEVEL}}, {6, true}, IDOK, "boost +6 dB, level | "},
      {{6, true}, {20, {IDC_SND_LOWCUT, IDC_SND_DENOISE}, 3}, {20, true, channelMixed, true, true}, IDCANCEL,
       "boost +6 dB, level | "},
      {{6, true}, {0, {IDC_SND_LEVEL}, 1}, {0, false, channelLeft}, IDOK, "left only | "},
      {{0, false, channelLeft}, {-1, {}, 0}, {}, IDOK, "Play:"},
  };
  CreateMainWindow();
  for (const Case& c : cases) {
    SCOPED_TRACE(SoundMark(c.during));
    SetSoundSettings(c.before);
    SoundSettings shown, during;
    std::string note = "?";
    dialogs.Clear();
    dialogs.Then([&](HWND dialog) {
      shown.boostDb = static_cast<int>(SendDlgItemMessageA(dialog, IDC_SND_BOOST, TBM_GETPOS, 0, 0));
      shown.level = IsDlgButtonChecked(dialog, IDC_SND_LEVEL) == BST_CHECKED;
      shown.channel = static_cast<int>(SendDlgItemMessageA(dialog, IDC_SND_CHANNEL, CB_GETCURSEL, 0, 0));
      shown.lowCut = IsDlgButtonChecked(dialog, IDC_SND_LOWCUT) == BST_CHECKED;
      shown.denoise = IsDlgButtonChecked(dialog, IDC_SND_DENOISE) == BST_CHECKED;
      char text[128] = "";
      GetDlgItemTextA(dialog, IDC_SND_SYSTEM_NOTE, text, sizeof text);
      note = text;
      Perform(dialog, c.script);
      during = CurrentSoundSettings();
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED), 0);
    });
    EXPECT_EQ(Command(IDM_SOUND_OPTIONS), TRUE);
    EXPECT_EQ(Captions(), std::vector<std::string>{"Sound"});
    EXPECT_EQ(shown, c.before);
    EXPECT_EQ(note, "") << "no file open: the settings are for the next one";
    EXPECT_EQ(during, c.during);
    EXPECT_EQ(CurrentSoundSettings(), c.button == IDOK ? c.during : c.before);
    EXPECT_EQ(StatusText(kStatusHotKeys).substr(0, c.mark.size()), c.mark);
  }
}

TEST_F(SoundDialogTest, GreyedWithOneLineForAFileOnTheSystemsDevice) {
  StartWithFile(AddFile("C:\\talk.wav", 60000));
  bool enabled = true;
  std::string note;
  dialogs.Then([&](HWND dialog) {
    for (int id : {IDC_SND_BOOST, IDC_SND_LEVEL, IDC_SND_CHANNEL, IDC_SND_LOWCUT, IDC_SND_DENOISE})
      enabled = enabled && IsWindowEnabled(GetDlgItem(dialog, id));
    char text[128] = "";
    GetDlgItemTextA(dialog, IDC_SND_SYSTEM_NOTE, text, sizeof text);
    note = text;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  Command(IDM_SOUND_OPTIONS);
  EXPECT_FALSE(enabled);
  EXPECT_EQ(note, "These work only for files that Dorvane plays itself, not for this one.");
  EXPECT_EQ(CurrentSoundSettings(), SoundSettings{}) << "OK keeps what the greyed controls show";
}

}  // namespace
