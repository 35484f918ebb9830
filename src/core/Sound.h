// Sound: what 演奏 and its kin ask of the host. The sound family holds the
// rules (file lookup, repetition, the MCI command subset, the text-music
// library, every message); a backend only plays, stops and reports. Hosts
// choose one at start-up (host/Sound.h): the window system's media player,
// a player program, or a silent one that records what it was asked.
#pragma once
#include <string>

#include "core/Services.h"

namespace nokari {

// What the player is doing, in the order 演奏状態 names them: 未設定,
// 停止中, 演奏中, 録音中, 準備中, 一時停止, 再生待ち.
enum class PlayState { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };

// Why a file could not be played.
enum class PlayFailure {
  None,
  NoPlayer,     // nothing here plays this kind of file
  NoSynth,      // a MIDI file, and no synthesizer is installed
  CannotStart,  // the player could not be started (Detail: the system's reason)
};

struct PlayResult {
  PlayFailure Failure = PlayFailure::None;
  std::string Detail;  // UTF-8, for the message; may be empty
  bool Ok() const { return Failure == PlayFailure::None; }
};

class ISoundService {
 public:
  virtual ~ISoundService() = default;
  // Starts playing an existing file (native path) and returns at once;
  // whatever played before stops. `loop`: it starts again whenever it
  // ends, until Stop.
  virtual PlayResult Play(const std::string& nativePath, bool loop) = 0;
  virtual void Stop() = 0;
  virtual PlayState State() = 0;
  // The system's beep.
  virtual void Beep() = 0;
};

// A backend that plays nothing: what an engine without a host's sound
// hears (it reports NotReady until asked to play, then Playing until
// stopped).
class QuietSound : public ISoundService {
 public:
  PlayResult Play(const std::string&, bool) override {
    state_ = PlayState::Playing;
    return {};
  }
  void Stop() override {
    if (state_ != PlayState::NotReady) state_ = PlayState::Stopped;
  }
  PlayState State() override { return state_; }
  void Beep() override {}

 private:
  PlayState state_ = PlayState::NotReady;
};

// The backend to use: the installed one, or a quiet one.
inline ISoundService& SoundOf(const HostServices& s) {
  static QuietSound quiet;
  return s.Sound ? *s.Sound : quiet;
}

}  // namespace nokari
