// Changes the speed of 16-bit PCM without changing its pitch, by waveform
// similarity overlap-add (WSOLA): the output is built from overlapping
// windowed pieces of the input, each taken near its nominal place where it
// best continues the piece before it. At speed 1.0 samples pass unchanged.
// The sound of one play fades in over its first 4 ms and out over its last
// 4 ms, and reaches the last input sample at every speed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr double kMinSpeed = 0.5;
inline constexpr double kMaxSpeed = 1.5;

// Frames of the fades at the edges of a play's sound (4 ms).
std::size_t EdgeFadeFrames(int sampleRate);
// Fades count interleaved frames out to silence over all of them, as a play's
// sound fades at its end: the sound that a pause, a stop or a seek cuts off
// ends this way instead of with a click.
void FadeOut(std::int16_t* frames, std::size_t count, int channels);

class TimeStretch {
 public:
  // Sets the stream's layout and speed (clamped to 0.5..1.5) and forgets all
  // input and output.
  void Start(int channels, int sampleRate, double speed);
  // A new speed (clamped) from the next piece on; the input and output so far stay.
  void SetSpeed(double speed);
  // Output frames made since Start, and the input frame (counted from Start)
  // that an output frame stands for, through every speed since Start.
  std::uint64_t OutputFrames() const { return outTotal_; }
  double InputAt(std::uint64_t outputFrame) const;
  double Speed() const { return speed_; }

  // Takes interleaved frames of input.
  void Push(const std::int16_t* frames, std::size_t count);
  // No more input will come: the rest of it is stretched and can be pulled.
  void Finish();
  // Moves up to maxFrames interleaved frames of output into out; returns how many.
  std::size_t Pull(std::int16_t* out, std::size_t maxFrames);
  // Frames of output ready to pull. The last few wait for Finish, which may
  // fade them out.
  std::size_t Ready() const {
    const std::size_t held = (out_.size() - outRead_) / static_cast<std::size_t>(channels_);
    return finished_ ? held : held > fade_ ? held - fade_ : 0;
  }


 private:
  void Stretch();
  void StretchOneFrame(std::size_t pos);
  std::size_t BestOffset(std::size_t from, std::size_t to, std::size_t nominal) const;
  void Emit(std::size_t frames);
  void DropUsedInput();

  int channels_ = 1;
  double speed_ = 1.0;
  std::size_t hop_ = 0;     // frames each output step adds; half a window
  std::size_t search_ = 0;  // frames a piece may move from its nominal place
  std::size_t coarse_ = 1;  // stride of the coarse search
  std::vector<float> window_;
  std::size_t fade_ = 0;    // frames of the fades at the edges of the sound

  std::vector<std::int16_t> in_;  // interleaved input not yet fully used
  std::vector<std::int16_t> out_;
  std::size_t outRead_ = 0;
  std::vector<float> tail_;  // second half of the last windowed piece, to overlap
  double nominal_ = 0;       // nominal input frame of the next piece, within in_
  std::size_t natural_ = 0;  // input frame that continues the last piece
  bool started_ = false;     // a piece has been placed since Start
  bool finished_ = false;
  std::uint64_t inTotal_ = 0, outTotal_ = 0;  // frames since Start
  double segmentIn_ = 0;         // input frame where the present speed began...
  std::uint64_t segmentOut_ = 0;  // ...and the output frame that stands for it
};
