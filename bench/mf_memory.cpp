// Where the memory of Media Foundation's Source Reader on a long recording
// goes, stage by stage: Media Foundation started, the reader made (then
// three seconds left alone, to see what fills in the background), 16-bit PCM
// asked for, and 10 s, 600 s and an hour of sound decoded as fast as it
// comes.
//   mf_memory <file> [url|stream|lowlatency|float]
// url: MFCreateSourceReaderFromURL, as Dorvane opens a file; float: the
// same, asking for 32-bit float samples instead of 16-bit; stream: a byte
// stream Dorvane would feed (MFCreateMFByteStreamOnStream on a file stream);
// lowlatency: the URL with MF_LOW_LATENCY set. Prints the working set at
// each stage; bench/mf-memory runs it and splits the working set under Wine
// into anonymous memory (the heaps) and file pages (the libraries' code).
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <psapi.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstring>
#include <string>

// Declared by Windows' own mfidl.h, missing from mingw-w64's.
extern "C" HRESULT WINAPI MFCreateMFByteStreamOnStream(IStream* stream, IMFByteStream** out);
// MF_LOW_LATENCY, which mingw-w64 declares for Windows 8 builds only.
constexpr GUID kLowLatency = {0x9c27891a, 0xed7a, 0x40e1, {0x88, 0xe8, 0xb2, 0x27, 0x27, 0xa0, 0x24, 0xee}};

namespace {

void Stage(const char* name, DWORD waitMs = 0) {
  Sleep(waitMs);
  PROCESS_MEMORY_COUNTERS m{};
  GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
  std::printf("stage %-22s working set %6.1f MB\n", name, m.WorkingSetSize / 1048576.0);
  std::fflush(stdout);
  Sleep(1500);  // time for bench/mf-memory to look at the process
}

IMFSourceReader* MakeReader(const wchar_t* url, const std::string& mode) {
  IMFAttributes* attributes = nullptr;
  MFCreateAttributes(&attributes, 1);
  if (mode == "lowlatency") attributes->SetUINT32(kLowLatency, TRUE);
  IMFSourceReader* reader = nullptr;
  if (mode == "stream") {
    IStream* file = nullptr;
    IMFByteStream* stream = nullptr;
    IMFAttributes* origin = nullptr;
    if (SUCCEEDED(SHCreateStreamOnFileEx(url, STGM_READ | STGM_SHARE_DENY_WRITE, 0, FALSE, nullptr, &file)) &&
        SUCCEEDED(MFCreateMFByteStreamOnStream(file, &stream))) {
      // The name tells the resolver which source reads it.
      if (SUCCEEDED(stream->QueryInterface(IID_PPV_ARGS(&origin)))) origin->SetString(MF_BYTESTREAM_ORIGIN_NAME, url);
      MFCreateSourceReaderFromByteStream(stream, attributes, &reader);
    }
  } else {
    MFCreateSourceReaderFromURL(url, attributes, &reader);
  }
  return reader;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: mf_memory <file> [url|stream|lowlatency|float]\n");
    return 2;
  }
  const std::string mode = argc > 2 ? argv[2] : "url";
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  MFStartup(MF_VERSION, MFSTARTUP_NOSOCKET);
  Stage("started");
  wchar_t url[MAX_PATH] = L"";
  MultiByteToWideChar(CP_ACP, 0, argv[1], -1, url, MAX_PATH);
  IMFSourceReader* reader = MakeReader(url, mode);
  if (reader == nullptr) {
    std::fprintf(stderr, "mf_memory: no reader for %s\n", argv[1]);
    return 1;
  }
  Stage("reader made");
  Stage("reader made, +3 s", 3000);
  const DWORD audio = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);
  reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
  reader->SetStreamSelection(audio, TRUE);
  IMFMediaType* pcm = nullptr;
  MFCreateMediaType(&pcm);
  pcm->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
  pcm->SetGUID(MF_MT_SUBTYPE, mode == "float" ? MFAudioFormat_Float : MFAudioFormat_PCM);
  pcm->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, mode == "float" ? 32 : 16);
  reader->SetCurrentMediaType(audio, nullptr, pcm);
  Stage("pcm set");
  LONGLONG first = -1;
  for (const double seconds : {10.0, 600.0, 3600.0}) {
    for (double decoded = 0; decoded < seconds;) {
      DWORD flags = 0;
      LONGLONG stamp = 0;
      IMFSample* sample = nullptr;
      if (FAILED(reader->ReadSample(audio, 0, nullptr, &flags, &stamp, &sample))) break;
      if (sample != nullptr) sample->Release();  // each buffer let go at once
      if (flags & MF_SOURCE_READERF_ENDOFSTREAM) break;
      if (first < 0) first = stamp;
      decoded = (stamp - first) / 1e7;
    }
    Stage((std::to_string(static_cast<int>(seconds)) + " s decoded").c_str());
  }
  reader->Release();
  Stage("reader released");
  // Wine's gstreamer at times hangs in its clean-up at exit: leave at once.
  TerminateProcess(GetCurrentProcess(), 0);
  return 0;
}
