#include "host/Sound.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace nokari {

PlayResult RecordingSound::Play(const std::string& nativePath, bool loop) {
  Note((loop ? "loop " : "play ") + nativePath);
  state_ = PlayState::Playing;
  return {};
}

void RecordingSound::Stop() {
  Note("stop");
  if (state_ != PlayState::NotReady) state_ = PlayState::Stopped;
}

void RecordingSound::Beep() { Note("beep"); }

void RecordingSound::Note(const std::string& line) {
  Calls.push_back(line);
  if (log_.empty()) return;
  if (FILE* f = std::fopen(log_.c_str(), "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

std::string SoundChoice() {
  const char* choice = std::getenv("NOKARI_SOUND");
  return choice ? choice : "";
}

namespace {

// The backend is chosen when a script first plays, stops or beeps: looking
// for the player programs costs a look into every folder of PATH, which a
// script without sound should not pay at every start.
class SoundChosenOnUse : public ISoundService {
 public:
  PlayResult Play(const std::string& nativePath, bool loop) override { return Chosen().Play(nativePath, loop); }
  void Stop() override { Chosen().Stop(); }
  PlayState State() override { return Chosen().State(); }
  void Beep() override { Chosen().Beep(); }

 private:
  ISoundService& Chosen() {
    if (!chosen_) {
      std::string choice = SoundChoice();
      const char* log = std::getenv("NOKARI_SOUND_LOG");
      if (choice != "null" && (choice == "process" || HasPlayerProgram()))
        chosen_ = std::make_unique<ProcessSound>();
      else
        chosen_ = std::make_unique<RecordingSound>(log ? log : "");
    }
    return *chosen_;
  }
  std::unique_ptr<ISoundService> chosen_;
};

}  // namespace

ISoundService& HostSound() {
  static SoundChosenOnUse sound;
  return sound;
}

}  // namespace nokari
