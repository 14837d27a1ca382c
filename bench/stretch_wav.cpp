// Runs Dorvane's time-stretch over a wav file, as the own audio device feeds
// it (blocks of 4096 frames), and writes the result as 16-bit PCM:
//   stretch_wav in.wav out.wav speed
// Prints the CPU seconds the stretch took to standard output. Used by
// bench/stretch_quality.py to set Dorvane beside other speech stretchers.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/time_stretch.h"
#include "audio/wav_format.h"

namespace {

void PutLe(std::string& s, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i));
}

bool WriteWav(const char* path, const std::vector<std::int16_t>& samples, int channels, int rate) {
  std::string head = "RIFF";
  const auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
  PutLe(head, 36 + bytes, 4);
  head += "WAVEfmt ";
  PutLe(head, 16, 4);
  PutLe(head, 1, 2);
  PutLe(head, static_cast<std::uint32_t>(channels), 2);
  PutLe(head, static_cast<std::uint32_t>(rate), 4);
  PutLe(head, static_cast<std::uint32_t>(rate * channels * 2), 4);
  PutLe(head, static_cast<std::uint32_t>(channels * 2), 2);
  PutLe(head, 16, 2);
  head += "data";
  PutLe(head, bytes, 4);
  std::ofstream out(path, std::ios::binary);
  out.write(head.data(), static_cast<std::streamsize>(head.size()));
  for (std::int16_t v : samples) out.put(static_cast<char>(v & 0xFF)), out.put(static_cast<char>((v >> 8) & 0xFF));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: stretch_wav in.wav out.wav speed\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string file{std::istreambuf_iterator<char>(in), {}};
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.data());
  const WavLayout layout = ParseWav(file.size(), MemoryReader({bytes, file.size()}));
  if (layout.error != WavError::kNone) {
    std::fprintf(stderr, "%s: not a wav this reader decodes\n", argv[1]);
    return 1;
  }
  WavReader reader(layout, MemoryReader({bytes, file.size()}));
  const auto ch = static_cast<std::size_t>(reader.Channels());
  std::vector<std::int16_t> input(reader.Frames() * ch);
  input.resize(reader.Read(input.data(), reader.Frames()) * ch);

  const std::clock_t start = std::clock();
  TimeStretch stretch;
  stretch.Start(reader.Channels(), layout.sampleRate, std::atof(argv[3]));
  std::vector<std::int16_t> output, block(4096 * ch);
  for (std::size_t at = 0; at < input.size(); at += block.size()) {
    const std::size_t n = std::min(block.size(), input.size() - at);
    stretch.Push(input.data() + at, n / ch);
    while (const std::size_t got = stretch.Pull(block.data(), 4096))
      output.insert(output.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got * ch));
  }
  stretch.Finish();
  while (const std::size_t got = stretch.Pull(block.data(), 4096))
    output.insert(output.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got * ch));
  std::printf("%.6f\n", static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
  return WriteWav(argv[2], output, reader.Channels(), layout.sampleRate) ? 0 : 1;
}
