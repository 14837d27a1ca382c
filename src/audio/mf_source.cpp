// Media Foundation's Source Reader behind the PcmSource face. The DLLs are
// loaded at run time from the system folder, so Dorvane.exe imports none of
// them and runs where they are missing. The reader is made on a short-lived
// thread of the multithreaded apartment, so that the window's thread keeps
// its own apartment; it decodes only on the device's worker, which joins the
// multithreaded apartment on its first read. The reader runs asynchronously
// and each read is waited for with a time limit: a decoder stuck on a cut
// file (seen under Wine: it waits for data that never comes) then ends the
// play with an error instead of holding the worker for ever.
#include "audio/mf_source.h"

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <mferror.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "audio/mf_media_type.h"

namespace {

// What Dorvane calls of Media Foundation and COM, found by name.
struct MfFunctions {
  decltype(&MFStartup) startup = nullptr;
  decltype(&MFCreateMediaType) createMediaType = nullptr;
  decltype(&MFCreateAttributes) createAttributes = nullptr;
  decltype(&MFCreateSourceReaderFromURL) createSourceReader = nullptr;
  decltype(&CoInitializeEx) coInitializeEx = nullptr;
  decltype(&CoUninitialize) coUninitialize = nullptr;
  bool ready = false;
};

HMODULE LoadSystemLibrary(const char* name) {
  if (HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32); module != nullptr) return module;
  // Windows 7 without its loader update does not know the flag: the full
  // path of the system folder does the same.
  char path[MAX_PATH] = "";
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length + 2 + std::strlen(name) > MAX_PATH) return nullptr;
  std::strcat(path, "\\");
  std::strcat(path, name);
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Function>
void Resolve(Function& function, HMODULE module, const char* name) {
  if (module != nullptr)
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Loaded once, on the first file that needs it; MFStartup is called then
// on an apartment thread and holds for the life of the process.
const MfFunctions& Mf() {
  static MfFunctions mf;
  static std::once_flag once;
  std::call_once(once, [] {
    const HMODULE ole32 = LoadSystemLibrary("ole32.dll");
    const HMODULE mfplat = LoadSystemLibrary("mfplat.dll");
    const HMODULE mfreadwrite = mfplat != nullptr ? LoadSystemLibrary("mfreadwrite.dll") : nullptr;
    Resolve(mf.coInitializeEx, ole32, "CoInitializeEx");
    Resolve(mf.coUninitialize, ole32, "CoUninitialize");
    Resolve(mf.startup, mfplat, "MFStartup");
    Resolve(mf.createMediaType, mfplat, "MFCreateMediaType");
    Resolve(mf.createAttributes, mfplat, "MFCreateAttributes");
    Resolve(mf.createSourceReader, mfreadwrite, "MFCreateSourceReaderFromURL");
    mf.ready = mf.coInitializeEx && mf.coUninitialize && mf.startup && mf.createMediaType && mf.createAttributes &&
               mf.createSourceReader;
  });
  return mf;
}

// This thread's membership of the multithreaded apartment, for as long as
// the thread runs.
struct ComMta {
  bool joined = false;
  ComMta() {
    const MfFunctions& mf = Mf();
    joined = mf.ready && SUCCEEDED(mf.coInitializeEx(nullptr, COINIT_MULTITHREADED));
  }
  ~ComMta() {
    if (joined) Mf().coUninitialize();
  }
  ComMta(const ComMta&) = delete;
  ComMta& operator=(const ComMta&) = delete;
};

void JoinMtaOnThisThread() { thread_local ComMta mta; }

// Releases a COM interface when it goes.
template <typename T>
struct Com {
  T* p = nullptr;
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (p != nullptr) p->Release();
  }
  T** Put() { return &p; }
  T* operator->() const { return p; }
};

MfTypeFields FieldsOf(IMFMediaType* type) {
  MfTypeFields fields;
  GUID major{}, subtype{};
  UINT32 value = 0;
  fields.isAudio = SUCCEEDED(type->GetGUID(MF_MT_MAJOR_TYPE, &major)) && major == MFMediaType_Audio;
  fields.isPcm = SUCCEEDED(type->GetGUID(MF_MT_SUBTYPE, &subtype)) && subtype == MFAudioFormat_PCM;
  if (SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &value))) fields.bitsPerSample = value;
  if (SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &value))) fields.channels = value;
  if (SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &value))) fields.sampleRate = value;
  if (SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_BLOCK_ALIGNMENT, &value))) fields.blockAlign = value;
  return fields;
}

constexpr DWORD kAudio = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);

// How long one decoded buffer may take before the file counts as unreadable:
// far beyond the few milliseconds a buffer takes, even on a busy machine.
constexpr DWORD kReadLimitMs = 3000;

// One read's answer.
struct ReadResult {
  HRESULT hr = E_FAIL;
  DWORD flags = 0;
  LONGLONG stamp = 0;
  IMFSample* sample = nullptr;  // owned by whoever takes the result
};

// Receives the asynchronous reader's answers; the reading thread waits for
// each one on the event.
class ReadCallback final : public IMFSourceReaderCallback {
 public:
  ReadCallback() : done_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMFSourceReaderCallback) {
      *out = static_cast<IMFSourceReaderCallback*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP OnReadSample(HRESULT hr, DWORD, DWORD flags, LONGLONG stamp, IMFSample* sample) override {
    {
      std::lock_guard lock(m_);
      if (result_.sample != nullptr) result_.sample->Release();
      if (sample != nullptr) sample->AddRef();
      result_ = ReadResult{hr, flags, stamp, sample};
    }
    SetEvent(done_);
    return S_OK;
  }
  STDMETHODIMP OnFlush(DWORD) override { return S_OK; }
  STDMETHODIMP OnEvent(DWORD, IMFMediaEvent*) override { return S_OK; }

  // The next answer; false when none came in time.
  bool Wait(ReadResult& into) {
    if (WaitForSingleObject(done_, kReadLimitMs) != WAIT_OBJECT_0) return false;
    std::lock_guard lock(m_);
    into = std::exchange(result_, ReadResult{});
    return true;
  }

 private:
  ~ReadCallback() {
    if (result_.sample != nullptr) result_.sample->Release();
    CloseHandle(done_);
  }
  LONG refs_ = 1;
  HANDLE done_;
  std::mutex m_;
  ReadResult result_;
};

// Whether any stream of the file is a picture (a still cover image counts
// as one; Media Foundation calls those video too).
bool HasVideoStream(IMFSourceReader* reader) {
  for (DWORD i = 0; i < 64; ++i) {
    Com<IMFMediaType> type;
    const HRESULT hr = reader->GetNativeMediaType(i, 0, type.Put());
    if (hr == MF_E_INVALIDSTREAMNUMBER) return false;
    GUID major{};
    if (SUCCEEDED(hr) && SUCCEEDED(type->GetGUID(MF_MT_MAJOR_TYPE, &major)) && major == MFMediaType_Video) return true;
  }
  return false;
}

// Asks for 16-bit PCM from the first audio stream, in the stream's own rate
// and, beyond two channels, folded to stereo; what comes back is checked.
std::optional<MfPcmFormat> SetPcmOutput(IMFSourceReader* reader) {
  for (UINT32 channels : {0u, 2u}) {
    Com<IMFMediaType> wanted;
    if (FAILED(Mf().createMediaType(wanted.Put()))) return std::nullopt;
    wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    wanted->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM);
    wanted->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16);
    if (channels != 0) wanted->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, channels);
    if (FAILED(reader->SetCurrentMediaType(kAudio, nullptr, wanted.p))) continue;
    Com<IMFMediaType> got;
    if (FAILED(reader->GetCurrentMediaType(kAudio, got.Put()))) continue;
    if (const auto format = CheckMfPcmType(FieldsOf(got.p))) return format;
  }
  return std::nullopt;
}

std::optional<std::uint64_t> DurationHns(IMFSourceReader* reader) {
  PROPVARIANT value;
  std::memset(&value, 0, sizeof value);
  if (FAILED(reader->GetPresentationAttribute(MF_SOURCE_READER_MEDIASOURCE, MF_PD_DURATION, &value)) ||
      value.vt != VT_UI8)
    return std::nullopt;  // a VT_UI8 holds nothing to free
  return value.uhVal.QuadPart;
}

// Frames decoded before a seek's target and dropped by their time stamps:
// decoders that start at a packet boundary land a packet or two late
// (23 ms for AAC, seen), so the reader is sent a little before the target.
constexpr std::uint64_t kSeekLeadMs = 100;

// Where a stream ends, against what the file's samples hold (an MP4's sample
// table, which the decoder reads; else the length the file gives): up to
// this much short, the stream's own end is the length from then on (the
// length header was rounded, or overstated the stream and its sample table
// says so); further short, the stream broke off at damage or where the
// file was cut, and the play ends with a read error.
constexpr std::uint64_t kMaxShortfallMs = 500;

class MfSource : public PcmSource {
 public:
  MfSource(IMFSourceReader* reader, ReadCallback* callback, MfPcmFormat format, std::uint64_t frames,
           std::uint64_t priming, std::optional<std::uint64_t> sampleFrames)
      : reader_(reader), callback_(callback), format_(format), primingHns_(MfFrameHns(priming, format.sampleRate)),
        held_(sampleFrames.value_or(frames)), heldKnown_(sampleFrames.has_value()) {
    channels_ = format.channels;
    sampleRate_ = format.sampleRate;
    // An MP4 whose length header disagrees with its own sample table: the
    // decoder plays the samples, so their length is shown from the start
    // (walks and bookmarks then reach all of the sound); the stream's end
    // makes it exact.
    const std::uint64_t tolerance = kMaxShortfallMs * static_cast<std::uint64_t>(sampleRate_) / 1000;
    frames_ = held_ > frames + tolerance || held_ + tolerance < frames ? held_ : frames;
  }
  ~MfSource() override {
    // A reader whose read never came back is left alone: releasing it would
    // wait for the stuck decoder on the window's thread.
    if (!stuck_) reader_->Release();
    callback_->Release();
  }

  MCIERROR ReadFailure() const override { return failure_; }

  bool Seek(std::uint64_t frame) override {
    JoinMtaOnThisThread();
    next_ = std::min(frame, Frames());
    const std::uint64_t lead = LeadFrames();
    PROPVARIANT at;
    std::memset(&at, 0, sizeof at);
    at.vt = VT_I8;
    at.hVal.QuadPart = MfFrameHns(next_ > lead ? next_ - lead : 0, sampleRate_) + primingHns_;
    pcm_.clear();
    pcmRead_ = 0;
    silence_ = 0;
    ended_ = endChecked_ = decodedSinceSeek_ = false;
    leftoversDropped_ = 0;
    failure_ = stuck_ ? MCIERR_FILE_READ : 0;
    if (!stuck_ && FAILED(reader_->SetCurrentPosition(GUID_NULL, at))) failure_ = MCIERR_FILE_READ;
    return failure_ == 0;
  }

  std::size_t Read(std::int16_t* out, std::size_t maxFrames) override {
    JoinMtaOnThisThread();
    const std::size_t ch = static_cast<std::size_t>(channels_);
    std::size_t done = 0;
    while (done < maxFrames && failure_ == 0) {
      if (silence_ > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(silence_, maxFrames - done));
        std::fill_n(out + done * ch, n * ch, std::int16_t{0});
        silence_ -= n;
        done += n;
        next_ += n;
        continue;
      }
      if (pcmRead_ < pcm_.size()) {
        const std::size_t n = std::min((pcm_.size() - pcmRead_) / ch, maxFrames - done);
        std::memcpy(out + done * ch, pcm_.data() + pcmRead_, n * ch * sizeof(std::int16_t));
        pcmRead_ += n * ch;
        done += n;
        next_ += n;
        continue;
      }
      if (!ended_ && DecodeMore()) continue;
      if (ended_ && failure_ == 0 && !endChecked_) {  // all the stream gave has been given
        endChecked_ = true;
        EndedAt(next_);
      }
      break;
    }
    // A stream that goes on past the length the file gave is not cut: the
    // length grows with it.
    if (next_ > frames_) frames_ = next_;
    return done;
  }

 private:
  std::uint64_t LeadFrames() const { return kSeekLeadMs * static_cast<std::uint64_t>(sampleRate_) / 1000; }

  // The next decoded buffer, placed on the time line; false at the end of
  // the stream or on an error (then failure_ says which).
  bool DecodeMore() {
    pcm_.clear();
    pcmRead_ = 0;
    ReadResult result;
    if (FAILED(reader_->ReadSample(kAudio, 0, nullptr, nullptr, nullptr, nullptr))) {
      failure_ = MCIERR_FILE_READ;
      return false;
    }
    if (!callback_->Wait(result)) {
      stuck_ = true;
      failure_ = MCIERR_FILE_READ;
      return false;
    }
    Com<IMFSample> sample;
    *sample.Put() = result.sample;
    const DWORD flags = result.flags;
    if (FAILED(result.hr) || (flags & MF_SOURCE_READERF_ERROR)) {
      failure_ = MCIERR_FILE_READ;
      return false;
    }
    if (flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) {
      // The decoder changed its format midway; the output keeps the first.
      Com<IMFMediaType> type;
      const auto format = SUCCEEDED(reader_->GetCurrentMediaType(kAudio, type.Put()))
                              ? CheckMfPcmType(FieldsOf(type.p)) : std::nullopt;
      if (!format || format->channels != channels_ || format->sampleRate != sampleRate_) {
        failure_ = MCIERR_FILE_READ;
        return false;
      }
    }
    if (flags & MF_SOURCE_READERF_ENDOFSTREAM) {
      ended_ = true;
      if (sample.p == nullptr) return false;
    }
    if (sample.p == nullptr) return true;  // a gap in the stream: read on
    Com<IMFMediaBuffer> buffer;
    if (FAILED(sample->ConvertToContiguousBuffer(buffer.Put()))) {
      failure_ = MCIERR_FILE_READ;
      return false;
    }
    BYTE* data = nullptr;
    DWORD bytes = 0;
    if (FAILED(buffer->Lock(&data, nullptr, &bytes))) {
      failure_ = MCIERR_FILE_READ;
      return false;
    }
    LONGLONG sampleTime = 0;
    const std::optional<std::int64_t> at =
        SUCCEEDED(sample->GetSampleTime(&sampleTime)) ? std::optional<std::int64_t>(sampleTime - primingHns_)
                                                      : std::nullopt;
    if (!decodedSinceSeek_ && at && leftoversDropped_ < kMaxLeftovers &&
        MfLeftoverOfSeek(*at, sampleRate_, next_, LeadFrames())) {
      ++leftoversDropped_;
      buffer->Unlock();
      return true;  // decoded before the seek: read on
    }
    const auto place = PlaceMfBuffer(at, bytes, format_, next_);
    if (place) {
      const auto* first = reinterpret_cast<const std::int16_t*>(data) + place->drop * format_.channels;
      pcm_.assign(first, first + place->keep * static_cast<std::size_t>(format_.channels));
      silence_ = place->silence;
      decodedSinceSeek_ = decodedSinceSeek_ || place->keep > 0;
    }
    buffer->Unlock();
    if (!place) failure_ = MCIERR_FILE_READ;
    return place.has_value();
  }

  // The decoder ended its stream at frame `end` without an error: the end
  // of the media from then on, unless the file holds more than half a
  // second more (then failure_).
  void EndedAt(std::uint64_t end) {
    if (end + kMaxShortfallMs * static_cast<std::uint64_t>(sampleRate_) / 1000 < held_) {
      failure_ = MCIERR_FILE_READ;
      return;
    }
    // A seek past the end of the samples ends at once: the end is theirs.
    if (!decodedSinceSeek_ && heldKnown_) end = std::min(end, held_);
    frames_ = end;
  }

  IMFSourceReader* reader_;
  ReadCallback* callback_;
  MfPcmFormat format_;
  std::int64_t primingHns_;  // decoded before the recording starts: an MP4 edit the decoder does not apply
  bool stuck_ = false;  // a read that never came back: the reader is not asked again
  std::uint64_t next_ = 0;     // time line frame the next frame given has
  std::uint64_t silence_ = 0;  // frames of a gap still to give before pcm_
  std::vector<std::int16_t> pcm_;
  std::size_t pcmRead_ = 0;
  bool ended_ = false;
  bool endChecked_ = false;  // where the stream ended has been weighed against the length
  bool decodedSinceSeek_ = false;
  // Buffers from before the seek dropped since it; a stream whose first
  // buffers after a seek all look like leftovers is taken as it comes after so many.
  static constexpr int kMaxLeftovers = 32;
  int leftoversDropped_ = 0;
  const std::uint64_t held_;  // the frames the file's samples hold, or its length when it cannot say
  const bool heldKnown_;
  MCIERROR failure_ = 0;
};

// What a reader of the file's bytes finds, through a handle held for the
// call; a file that cannot be opened reads as empty.
template <typename Reader>
auto ReadFromFile(const char* path, Reader reader) {
  const FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  return reader(file.Valid() ? file.Size() : 0, [&](std::uint64_t at, std::span<std::uint8_t> into) {
    return file.ReadAt(at, into.data(), into.size());
  });
}

// The priming an MP4's edit list skips, when this decoder gives it as sound
// from time 0 on. A decoder that applies the edit stamps the primed frames
// before 0 (or drops them), and the placement by time stamps drops them.
std::uint64_t UnappliedPriming(const char* path, IMFSourceReader* reader, ReadCallback* callback, int sampleRate) {
  const std::uint64_t priming = ReadFromFile(path, [&](std::uint64_t size, const ReadAtFn& read) {
    return Mp4AudioPrimingFrames(size, read, sampleRate);
  });
  if (priming == 0 || FAILED(reader->ReadSample(kAudio, 0, nullptr, nullptr, nullptr, nullptr))) return 0;
  ReadResult first;
  if (!callback->Wait(first)) return 0;
  Com<IMFSample> sample;
  *sample.Put() = first.sample;
  return SUCCEEDED(first.hr) && first.sample != nullptr && first.stamp >= 0 ? priming : 0;
}

// How long an opening may take before the file is left to the system's
// device: far beyond the tens of milliseconds an opening takes.
constexpr DWORD kOpenLimitMs = 5000;

// The whole opening, on an apartment thread of its own.
MfOpened OpenOnThisThread(const char* path, const std::wstring& url) {
  MfOpened opened;
  ComMta mta;
  static HRESULT started = E_FAIL;
  static std::once_flag once;
  std::call_once(once, [] { started = Mf().startup(MF_VERSION, MFSTARTUP_NOSOCKET); });
  if (!mta.joined || FAILED(started)) return opened;
  Com<IMFAttributes> attributes;
  if (FAILED(Mf().createAttributes(attributes.Put(), 1))) return opened;
  auto* callback = new ReadCallback;
  attributes->SetUnknown(MF_SOURCE_READER_ASYNC_CALLBACK, callback);
  IMFSourceReader* reader = nullptr;
  if (FAILED(Mf().createSourceReader(url.c_str(), attributes.p, &reader))) {
    callback->Release();
    return opened;
  }
  opened.hasVideo = HasVideoStream(reader);
  reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
  const auto format = SUCCEEDED(reader->SetStreamSelection(kAudio, TRUE)) ? SetPcmOutput(reader) : std::nullopt;
  const auto hns = DurationHns(reader);
  const auto frames = format && hns ? MfDurationFrames(*hns, format->sampleRate) : std::nullopt;
  if (!frames) {
    reader->Release();
    callback->Release();
    return opened;
  }
  const std::uint64_t priming = UnappliedPriming(path, reader, callback, format->sampleRate);
  const auto held = ReadFromFile(path, [&](std::uint64_t size, const ReadAtFn& read) {
    return Mp4SoundSampleFrames(size, read, format->sampleRate);
  });
  opened.source = std::make_unique<MfSource>(reader, callback, *format, *frames, priming, held);
  return opened;
}

}  // namespace

MfOpened OpenMfSource(const char* path) {
  if (!Mf().ready) return {};
  // Names arrive in the program's code page (UTF-8 by its manifest).
  const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
  if (length <= 1) return {};
  std::wstring url(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, url.data(), length);
  url.resize(static_cast<std::size_t>(length - 1));
  // Shared with the opening thread, so that an opening that never ends (a
  // decoder stuck on a strange file) can be left behind: the file then goes
  // to the system's device, and the thread frees what it made if it ends.
  struct Opening {
    std::string path;
    std::wstring url;
    MfOpened opened;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Opening() { CloseHandle(done); }
  };
  auto opening = std::make_shared<Opening>();
  opening->path = path;
  opening->url = std::move(url);
  std::thread([opening] {
    opening->opened = OpenOnThisThread(opening->path.c_str(), opening->url);
    SetEvent(opening->done);
  }).detach();
  if (WaitForSingleObject(opening->done, kOpenLimitMs) != WAIT_OBJECT_0) return {};
  return std::move(opening->opened);
}
