// The sound chain of Dorvane's own audio device: what the typist sets in
// Options, Sound... done to decoded 16-bit PCM before the time-stretch.
// In order: channel choice, rumble and hum high-pass, steady-noise
// suppressor, speech leveller, volume boost, and a limiter that keeps every
// sample at or below -0.3 dBFS whenever any of them is on.
//
// The chain delays its stream by a fixed number of frames (the noise
// suppressor works on overlapping 2^k-sample frames, the limiter looks a
// little ahead), but it hands back its output aligned with its input: it
// drops the first frames of a play and, at the end, Flush gives the rest.
// So frame n out is frame n in, and the position the device shows stays
// what is heard, whatever is switched on or off during the play.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum SoundChannel : int { channelBoth = 0, channelLeft = 1, channelRight = 2, channelMixed = 3 };

struct SoundSettings {
  int boostDb = 0;          // 0 to 20
  bool level = false;       // speech leveller
  int channel = channelBoth;
  bool lowCut = false;      // high-pass around 100 Hz
  bool denoise = false;     // steady-noise suppressor
  bool operator==(const SoundSettings&) const = default;
};

inline constexpr int kMaxBoostDb = 20;
// The limiter's ceiling: -0.3 dBFS of a 16-bit sample.
inline constexpr int kSoundCeiling = 31655;

bool AnySoundOn(const SoundSettings& s);
// A short mark for the status bar while any is on ("boost +6 dB, level"),
// empty while none is.
std::string SoundMark(const SoundSettings& s);

class SoundChain {
 public:
  // Sets the stream's layout and forgets everything, also what the
  // leveller and the noise suppressor have learnt.
  void Start(int channels, int sampleRate);
  // A new play from another place of the same recording: the stream starts
  // afresh, while the speech level and the noise floor learnt so far stay.
  void Restart();
  void Set(const SoundSettings& s) { settings_ = s; }
  const SoundSettings& Settings() const { return settings_; }

  // Processes count interleaved frames in place and returns how many of
  // them are output (the first Latency() frames after Start or Restart go
  // to the delay); the output frames are at the front of the buffer.
  std::size_t Process(std::int16_t* frames, std::size_t count);
  // At the end of a play: writes the delayed frames still held (at most
  // Latency(), and at most maxFrames) and returns how many.
  std::size_t Flush(std::int16_t* out, std::size_t maxFrames);
  // Frames by which the chain delays its stream internally.
  std::size_t Latency() const { return passThrough_ ? 0 : hop_ + lookahead_; }

 private:
  struct HighPass {
    std::array<std::array<double, 4>, 2> state{};  // x1, x2, y1, y2 of each section
    double Run(double x, const std::array<std::array<double, 5>, 2>& c);
  };
  struct Suppressor {
    std::vector<float> in, out;         // the last frame's input, the overlap-add sum
    std::vector<float> smoothed;        // smoothed power per bin
    std::vector<float> noise;           // the noise floor per bin
    std::vector<float> subMin;          // minimum of the current sub-window
    std::vector<float> lastClean;       // |gain * spectrum|^2 of the last frame
    std::vector<float> mean;            // mean power of the bins below the voice
    std::vector<float> gain;
    std::vector<std::vector<float>> mins;  // minima of the sub-windows gone by
    int frames = 0, subFrames = 0;
  };

  float ChannelStage(const std::int16_t* frame, int c) const;
  void Suppress(Suppressor& s, bool active);
  void Level(float* frame, int channels);
  void Limit(float* frame, int channels);
  void EmitHop();

  SoundSettings settings_;
  bool passThrough_ = false;
  int channels_ = 1;
  int rate_ = 8000;
  std::size_t n_ = 256, hop_ = 128, lookahead_ = 0;
  std::array<std::array<double, 5>, 2> hpCoef_{};
  std::array<HighPass, 2> highPass_{};
  bool lowCutOn_ = false;         // the high-pass ran for the last frame
  std::vector<float> window_;     // square root of a periodic Hann window
  std::vector<float> cosTable_, sinTable_;
  std::vector<std::size_t> bitReverse_;
  std::size_t belowVoice_ = 0;    // bins centred below the lowest voice pitch
  float meanGlide_ = 0;           // per-frame coefficient of their mean
  std::array<Suppressor, 2> suppressor_;
  bool suppressing_ = false;      // the suppressor's output is in use
  std::vector<float> re_, im_;    // FFT work space

  std::vector<float> gathered_;   // interleaved frames of the current hop
  std::size_t inHop_ = 0;         // frames gathered so far
  std::vector<std::int16_t> ready_;  // processed frames not yet handed out
  std::size_t readyRead_ = 0;
  std::size_t toDrop_ = 0;        // leading frames of a play that are the delay
  std::size_t owed_ = 0;          // frames taken in and not yet handed out

  // Speech leveller.
  double floorDb_ = 0, speechDb_ = 0, gainDb_ = 0, appliedGain_ = 1, goalDb_ = 0, goal_ = 1;
  double glide_ = 0.01, releaseGlide_ = 0.001;  // per-frame smoothing coefficients
  bool levelStarted_ = false, speechSeen_ = false;
  double blockSum_ = 0;
  std::size_t blockFill_ = 0, block_ = 80;
  double boost_ = 1;

  // Limiter: the required gain of each frame, its release, a running
  // minimum over the look-ahead, and a moving average over it.
  std::vector<float> delayLine_;  // interleaved frames waiting for their gain
  std::vector<float> required_;   // ring of released gains
  std::vector<float> averaged_;   // ring of windowed minima for the average
  std::size_t ringAt_ = 0;
  double average_ = 0, release_ = 1;
};
