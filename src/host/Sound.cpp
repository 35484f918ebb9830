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

ISoundService& HostSound() {
  static std::unique_ptr<ISoundService> chosen = []() -> std::unique_ptr<ISoundService> {
    std::string choice = SoundChoice();
    const char* log = std::getenv("NOKARI_SOUND_LOG");
    if (choice != "null" && (choice == "process" || HasPlayerProgram())) return std::make_unique<ProcessSound>();
    return std::make_unique<RecordingSound>(log ? log : "");
  }();
  return *chosen;
}

}  // namespace nokari
