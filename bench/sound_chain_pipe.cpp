// Runs Dorvane's sound chain on raw 16-bit PCM from standard input to
// standard output, for bench/sound_quality.py; or, with --cpu, times it on
// a generated stereo recording with everything off and everything on.
//
//   sound_chain_pipe CHANNELS RATE BOOST LEVEL CHANNEL LOWCUT DENOISE < in.raw > out.raw
//   sound_chain_pipe --cpu SECONDS
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/sound_chain.h"

namespace {

double Seconds(const SoundSettings& s, const std::vector<std::int16_t>& in, int rate) {
  SoundChain chain;
  chain.Set(s);
  chain.Start(2, rate);
  std::vector<std::int16_t> block(4096 * 2);
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t at = 0; at < in.size(); at += block.size()) {
    const std::size_t n = std::min(block.size(), in.size() - at);
    std::memcpy(block.data(), in.data() + at, n * sizeof(std::int16_t));
    chain.Process(block.data(), n / 2);
  }
  while (chain.Flush(block.data(), 4096) != 0) {
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--cpu") == 0) {
    const int rate = 44100;
    const double seconds = std::atof(argv[2]);
    std::vector<std::int16_t> in(static_cast<std::size_t>(seconds * rate) * 2);
    std::uint32_t seed = 1;
    for (std::size_t i = 0; i < in.size(); ++i) {
      seed = seed * 1664525u + 1013904223u;
      const double t = static_cast<double>(i / 2) / rate;
      in[i] = static_cast<std::int16_t>(3000 * std::sin(2 * 3.14159265 * 220 * t) + static_cast<double>(seed >> 22) - 512);
    }
    const double off = Seconds({}, in, rate), on = Seconds({20, true, channelBoth, true, true}, in, rate);
    std::printf("%.1f s of 44.1 kHz stereo: everything off %.3f s (%.2f%% of one core), everything on %.3f s (%.2f%%)\n",
                seconds, off, 100 * off / seconds, on, 100 * on / seconds);
    return 0;
  }
  if (argc != 8) {
    std::fprintf(stderr, "usage: sound_chain_pipe CHANNELS RATE BOOST LEVEL CHANNEL LOWCUT DENOISE | --cpu SECONDS\n");
    return 2;
  }
  const int channels = std::atoi(argv[1]);
  SoundChain chain;
  chain.Set({std::atoi(argv[3]), std::atoi(argv[4]) != 0, std::atoi(argv[5]), std::atoi(argv[6]) != 0, std::atoi(argv[7]) != 0});
  chain.Start(channels, std::atoi(argv[2]));
  std::vector<std::int16_t> block(4096 * static_cast<std::size_t>(channels));
  for (;;) {
    const std::size_t got = std::fread(block.data(), sizeof(std::int16_t) * static_cast<std::size_t>(channels), 4096, stdin);
    const std::size_t out = chain.Process(block.data(), got);
    std::fwrite(block.data(), sizeof(std::int16_t) * static_cast<std::size_t>(channels), out, stdout);
    if (got < 4096) break;
  }
  while (const std::size_t out = chain.Flush(block.data(), 4096))
    std::fwrite(block.data(), sizeof(std::int16_t) * static_cast<std::size_t>(channels), out, stdout);
  return 0;
}
