// The sound backends beside the window system's, and the choice among
// them at start-up.
//
// NOKARI_SOUND picks one: "null" the recording backend (tests), "process"
// the player programs, "qt" the window host's media player (Qt Multimedia,
// when the build has it); unset or anything else: the player programs
// when one is installed, else the recording backend. NOKARI_SOUND_LOG names a file
// the recording backend appends each call to, one line each ("play PATH",
// "loop PATH", "stop", "beep").
#pragma once
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "core/Sound.h"

namespace nokari {

// Plays nothing and remembers every call (in memory, and in the log file
// when it has one).
class RecordingSound : public ISoundService {
 public:
  explicit RecordingSound(std::string logPath = {}) : log_(std::move(logPath)) {}
  PlayResult Play(const std::string& nativePath, bool loop) override;
  void Stop() override;
  PlayState State() override { return state_; }
  void Beep() override;
  std::vector<std::string> Calls;

 private:
  void Note(const std::string& line);
  std::string log_;
  PlayState state_ = PlayState::NotReady;
};

// Plays through player programs found on PATH, started with posix_spawnp
// (no shell), their output sent to /dev/null: paplay (or aplay) for WAV,
// paplay for other sound files libsndfile reads, mpg123 or ffplay for
// MP3 and the rest, timidity (or fluidsynth with a General MIDI sound
// font) for MIDI. A repeated file runs under a small supervising process
// of ours that starts the player again each time it ends; stopping ends
// the supervisor's whole process group. Children are reaped on every
// call and when the service goes.
class ProcessSound : public ISoundService {
 public:
  ProcessSound() = default;
  ~ProcessSound() override;
  PlayResult Play(const std::string& nativePath, bool loop) override;
  void Stop() override;
  PlayState State() override;
  void Beep() override;

  // The command line that plays `nativePath`, given which programs exist
  // (`has` answers for a program name); empty with `failure` set when
  // nothing plays it.
  static std::vector<std::string> CommandFor(const std::string& nativePath,
                                             const std::function<bool(const std::string&)>& has,
                                             PlayFailure& failure);
  // Whether a program of that name is on PATH.
  static bool OnPath(const std::string& program);
  // The General MIDI sound font fluidsynth would use; empty when none.
  static std::string SoundFont();

 private:
  void Reap();
  pid_t child_ = -1;  // the player, or the supervisor of a repeated one
  bool played_ = false;
};

// Whether any player program for WAV files is installed.
bool HasPlayerProgram();

// The backend for a host without a media player of its own, chosen once
// (see above) when a script first uses sound; lives for the whole program.
ISoundService& HostSound();
// NOKARI_SOUND as given ("" when unset).
std::string SoundChoice();

}  // namespace nokari
