// Decoded 16-bit PCM from a media file, read from any frame on: the wav
// reader and the mp3 decoder behind one face for the audio device.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <memory>

class PcmSource {
 public:
  virtual ~PcmSource() = default;
  int Channels() const { return channels_; }
  int SampleRate() const { return sampleRate_; }
  // Frames per channel in the whole file. It may change after the opening
  // (on the device's worker, read from any thread): an estimate until the
  // reader knows (LengthKnown), or corrected where the decoder ends its
  // stream elsewhere than the file's header said.
  virtual std::uint64_t Frames() const { return frames_; }
  virtual bool LengthKnown() const { return true; }
  // The next Read starts at frame (clamped to the end).
  virtual bool Seek(std::uint64_t frame) = 0;
  // Up to maxFrames interleaved frames; fewer only at the end of the media
  // (Frames(), as it stands once the read has returned: a read may go on
  // past a length that was estimated or promised, and a stream that ends
  // early may bring the length down to where it ended) or when the file
  // fails to give its bytes. So nothing read before Frames() is an error (a
  // read error, a file cut short while it plays, a share gone), and the
  // device says so instead of ending the play.
  virtual std::size_t Read(std::int16_t* out, std::size_t maxFrames) = 0;
  // Why the last Read or Seek fell short, as MCI's error; 0 when it reached
  // the end of what the file holds.
  virtual MCIERROR ReadFailure() const { return 0; }

 protected:
  int channels_ = 0;
  int sampleRate_ = 0;
  std::atomic<std::uint64_t> frames_{0};
};

// Closes a Win32 file handle when it goes.
struct FileHandle {
  HANDLE h = INVALID_HANDLE_VALUE;
  FileHandle() = default;
  explicit FileHandle(HANDLE handle) : h(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  bool Valid() const { return h != INVALID_HANDLE_VALUE; }
  std::uint64_t Size() const;
  std::size_t ReadAt(std::uint64_t offset, void* into, std::size_t count) const;
};

// A wav this device decodes (integer or float PCM, G.711 A-law or µ-law,
// IMA ADPCM; one to eight channels), else null: the file is then left to the
// system's MCI device.
std::unique_ptr<PcmSource> OpenWavSource(const char* path);
// An mp3 whose frames are found and which the system's ACM MP3 decoder takes, else null.
std::unique_ptr<PcmSource> OpenMp3Source(const char* path);
