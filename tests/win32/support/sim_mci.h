// A simulated MCI device for the Win32 tests: media registered by path (or a
// CD drive by its letter), a virtual clock that only the test advances, a
// position per open device, notifications posted to the callback window as a
// real device posts them, failure injection, and a log of every command.
//
//   SimMci sim;
//   sim.AddFile("C:\\talk.wav", {SimMedia::kWave, 20000});
//   SimMciHook hook(sim);             // mciSendCommandHook now reaches sim
//   ...open, play...
//   sim.Advance(3000);                // moves playback, posts and delivers MM_MCINOTIFY
//   EXPECT_EQ(sim.Log().back().message, MCI_PLAY);
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "playback/mci.h"

struct SimMedia {
  enum Kind { kWave, kMpeg, kCdAudio };
  Kind kind = kWave;
  std::int32_t length = 0;       // ms; for a CD, of the whole disc
  bool speedSupported = false;   // MCI_DGV_SET_SPEED accepted
  bool discPresent = true;       // CD audio only
  std::vector<std::int32_t> trackStarts;  // CD audio only: ms at which each track starts, track 1 first
  MCIERROR openError = 0;        // non-zero: MCI_OPEN of this medium fails with it (not media, a folder, ...)
  bool ready = true;             // MCI_STATUS_READY: false while the device still measures the length
};

// One command as the device received it: the fields Dorvane may set, copied
// out of the parameter block according to the message and its flags.
struct SimMciCommand {
  std::int64_t at = 0;      // virtual clock when it arrived
  MCIDEVICEID device = 0;
  UINT message = 0;
  DWORD flags = 0;
  bool hasParms = false;    // a parameter block was passed
  DWORD_PTR callback = 0;   // dwCallback
  DWORD from = 0;           // MCI_PLAY dwFrom
  DWORD to = 0;             // MCI_PLAY / MCI_SEEK dwTo
  DWORD item = 0;           // MCI_STATUS dwItem
  DWORD timeFormat = 0;     // MCI_SET dwTimeFormat
  DWORD speed = 0;          // MCI_DGV_SET_PARMS dwSpeed
  std::string element;      // MCI_OPEN lpstrElementName
  DWORD_PTR deviceType = 0; // MCI_OPEN lpstrDeviceType (a type id when MCI_OPEN_TYPE_ID)
  MCIERROR result = 0;      // what the device answered
};

struct SimNotification {
  std::int64_t at = 0;
  HWND window = nullptr;
  WPARAM code = 0;  // MCI_NOTIFY_SUCCESSFUL, _SUPERSEDED, _ABORTED
  MCIDEVICEID device = 0;
};

class SimMci {
 public:
  static constexpr int kAlways = -1;

  SimMci() = default;
  SimMci(const SimMci&) = delete;
  SimMci& operator=(const SimMci&) = delete;

  // Media the device knows. Files are found by path (case ignored); a CD
  // drive by its element, such as "E:".
  void AddFile(const std::string& path, SimMedia media);
  void AddCdDrive(const std::string& drive, SimMedia media);

  // Moves the virtual clock. Every playing device moves with it (at its
  // speed); a play that reaches its end stops there and, when it asked for
  // notification, posts MCI_NOTIFY_SUCCESSFUL to its callback window. Posted
  // notifications are delivered (dispatched to the window) as they happen, so
  // a notification that starts a new play is followed in the same Advance.
  void Advance(std::int64_t ms);
  // Dispatches the MM_MCINOTIFY messages waiting in this thread's queue, and
  // nothing else (real timer messages stay undelivered).
  static void DeliverNotifications();
  // Whether Advance delivers what it posts (on by default).
  bool deliver = true;

  // Failure injection: the next `times` commands with this message (all of
  // them for kAlways) fail with error and have no effect. A predicate narrows
  // it down (for example to MCI_STATUS of the position only).
  void Fail(UINT message, MCIERROR error, int times = kAlways);
  void FailWhen(std::function<bool(const SimMciCommand&)> match, MCIERROR error, int times = kAlways);
  void ClearFailures() { failures_.clear(); }

  // What the device received and sent.
  const std::vector<SimMciCommand>& Log() const { return log_; }
  std::vector<SimMciCommand> Commands(UINT message) const;
  void ClearLog() { log_.clear(); notifications_.clear(); }
  const std::vector<SimNotification>& Notifications() const { return notifications_; }

  // State of the devices.
  std::int64_t Now() const { return now_; }
  bool IsOpen(MCIDEVICEID id) const { return devices_.count(id) != 0; }
  int OpenCount() const { return static_cast<int>(devices_.size()); }
  MCIDEVICEID LastOpened() const { return lastOpened_; }
  // The device of the most recent open that is still open (0 if none).
  MCIDEVICEID Current() const { return IsOpen(lastOpened_) ? lastOpened_ : 0; }
  std::int32_t Position(MCIDEVICEID id) const;
  bool IsPlaying(MCIDEVICEID id) const;
  std::int32_t PlayEnd(MCIDEVICEID id) const;  // where the running play stops
  DWORD Speed(MCIDEVICEID id) const;
  DWORD TimeFormat(MCIDEVICEID id) const;
  // Moves a device as if the user had (for tests that need a position without
  // sending a seek through Dorvane).
  void SetPosition(MCIDEVICEID id, std::int32_t ms);
  // Changes a medium while it is open (a CD ejected, for example).
  void SetDiscPresent(MCIDEVICEID id, bool present);
  // A length found out after the opening, and whether it is settled.
  void SetLength(MCIDEVICEID id, std::int32_t ms, bool ready);

  // The entry point mciSendCommandHook is pointed at.
  MCIERROR Send(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parms);

 private:
  struct Device {
    SimMedia media;
    std::int64_t positionMilli = 0;  // position in thousandths of a ms (speed is in thousandths)
    bool playing = false;
    std::int32_t playEnd = 0;
    DWORD timeFormat = MCI_FORMAT_MILLISECONDS;
    DWORD speed = 1000;
    // The pending notification of the last command that asked for one.
    bool notifyPending = false;
    HWND notifyWindow = nullptr;
  };
  struct Failure {
    std::function<bool(const SimMciCommand&)> match;
    MCIERROR error;
    int times;
  };

  SimMciCommand Record(MCIDEVICEID device, UINT message, DWORD flags, DWORD_PTR parms) const;
  MCIERROR Execute(SimMciCommand& command, DWORD_PTR parms);
  MCIERROR Open(SimMciCommand& command, DWORD_PTR parms);
  MCIERROR Status(Device& device, SimMciCommand& command, DWORD_PTR parms);
  MCIERROR Set(Device& device, const SimMciCommand& command);
  MCIERROR Play(MCIDEVICEID id, Device& device, const SimMciCommand& command);
  MCIERROR Seek(MCIDEVICEID id, Device& device, const SimMciCommand& command);
  void Stop(MCIDEVICEID id, Device& device, WPARAM pendingCode);
  void Notify(MCIDEVICEID id, HWND window, WPARAM code);
  std::int32_t ToMs(const Device& device, DWORD value) const;
  DWORD FromMs(const Device& device, std::int32_t ms) const;
  std::optional<MCIERROR> InjectedFailure(const SimMciCommand& command);

  std::map<std::string, SimMedia> files_;   // by lower-cased path
  std::map<std::string, SimMedia> drives_;  // by lower-cased drive
  std::map<MCIDEVICEID, Device> devices_;
  MCIDEVICEID nextId_ = 1;
  MCIDEVICEID lastOpened_ = 0;
  std::int64_t now_ = 0;
  std::vector<Failure> failures_;
  std::vector<SimMciCommand> log_;
  std::vector<SimNotification> notifications_;
};

// Points mciSendCommandHook at a SimMci for its lifetime and puts back the
// hook it found.
class SimMciHook {
 public:
  explicit SimMciHook(SimMci& sim);
  ~SimMciHook();
  SimMciHook(const SimMciHook&) = delete;
  SimMciHook& operator=(const SimMciHook&) = delete;

 private:
  MciSendCommandFn previousHook_;
  SimMci* previousSim_;
};

// The window a dwCallback names: MCI carries only the low 32 bits of the
// handle, which is all a window handle uses (handles are sign-extended).
inline HWND CallbackToWindow(DWORD_PTR callback) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(static_cast<DWORD>(callback))));
}
