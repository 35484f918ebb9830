// The player-program backend (host/Sound.h).
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "host/Sound.h"

extern char** environ;

namespace nokari {
namespace {

std::string LowerExtension(const std::string& path) {
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool IsOneOf(const std::string& ext, std::initializer_list<const char*> list) {
  return std::any_of(list.begin(), list.end(), [&](const char* e) { return ext == e; });
}

// The program's full path, searched on PATH as the shell would.
std::string FindOnPath(const std::string& program) {
  if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0 ? program : "";
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    std::string full = (dir.empty() ? "." : dir) + "/" + program;
    struct stat st;
    if (stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(full.c_str(), X_OK) == 0) return full;
    start = end + 1;
  }
  return {};
}

std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

bool ProcessSound::OnPath(const std::string& program) { return !FindOnPath(program).empty(); }

std::string ProcessSound::SoundFont() {
  for (const char* sf : {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
                         "/usr/share/soundfonts/default.sf2", "/usr/share/soundfonts/FluidR3_GM.sf2"})
    if (access(sf, R_OK) == 0) return sf;
  return {};
}

std::vector<std::string> ProcessSound::CommandFor(const std::string& path,
                                                  const std::function<bool(const std::string&)>& has,
                                                  PlayFailure& failure) {
  failure = PlayFailure::None;
  std::string ext = LowerExtension(path);
  const std::vector<std::string> ffplay{"ffplay", "-nodisp", "-autoexit", "-loglevel", "quiet", path};
  if (IsOneOf(ext, {".mid", ".midi", ".rmi", ".kar"})) {
    if (has("timidity")) return {"timidity", "-id", path};
    std::string font = SoundFont();
    if (has("fluidsynth") && !font.empty()) return {"fluidsynth", "-ni", font, path};
    failure = PlayFailure::NoSynth;
    return {};
  }
  if (ext == ".wav") {
    if (has("paplay")) return {"paplay", path};
    if (has("aplay")) return {"aplay", "-q", path};
  } else if (IsOneOf(ext, {".ogg", ".oga", ".flac", ".au", ".aif", ".aiff", ".snd"})) {
    if (has("paplay")) return {"paplay", path};
  } else if (ext == ".mp3" && has("mpg123")) {
    return {"mpg123", "-q", path};
  }
  if (has("ffplay")) return ffplay;
  failure = PlayFailure::NoPlayer;
  return {};
}

ProcessSound::~ProcessSound() { Stop(); }

void ProcessSound::Reap() {
  if (child_ <= 0) return;
  int status;
  pid_t r = waitpid(child_, &status, WNOHANG);
  if (r == child_ || (r < 0 && errno == ECHILD)) child_ = -1;
}

PlayResult ProcessSound::Play(const std::string& nativePath, bool loop) {
  Stop();
  PlayFailure failure;
  std::vector<std::string> args = CommandFor(nativePath, OnPath, failure);
  if (args.empty()) return {failure, {}};
  std::string program = FindOnPath(args[0]);
  std::vector<char*> argv = Argv(args);
  played_ = true;

  if (!loop) {
    // The player in a process group of its own, so a stop reaches
    // whatever it starts in turn.
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; ++fd)
      posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    pid_t pid;
    int rc = posix_spawnp(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return {PlayFailure::CannotStart, std::strerror(rc)};
    child_ = pid;
    return {};
  }

  // Repeating: a supervisor of ours starts the player again each time it
  // ends well (a player that fails ends the repetition: no busy loop). It
  // runs only what is safe after fork in a threaded program: fork, execv,
  // waitpid, dup2, _exit.
  int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
  pid_t pid = fork();
  if (pid < 0) {
    int err = errno;
    if (devNull >= 0) close(devNull);
    return {PlayFailure::CannotStart, std::strerror(err)};
  }
  if (pid == 0) {
    setpgid(0, 0);
    if (devNull >= 0)
      for (int fd = 0; fd <= 2; ++fd) dup2(devNull, fd);
    for (;;) {
      pid_t player = fork();
      if (player == 0) {
        execv(program.c_str(), argv.data());
        _exit(127);
      }
      if (player < 0) _exit(1);
      int status = 0;
      while (waitpid(player, &status, 0) < 0 && errno == EINTR) {
      }
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) _exit(1);
    }
  }
  if (devNull >= 0) close(devNull);
  setpgid(pid, pid);  // also from here, so a stop right away finds the group
  child_ = pid;
  return {};
}

void ProcessSound::Stop() {
  Reap();
  if (child_ <= 0) return;
  kill(-child_, SIGTERM);
  kill(child_, SIGTERM);
  int status;
  while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
  }
  child_ = -1;
}

PlayState ProcessSound::State() {
  Reap();
  if (child_ > 0) return PlayState::Playing;
  return played_ ? PlayState::Stopped : PlayState::NotReady;
}

// The terminal's bell, when there is a terminal to ring.
void ProcessSound::Beep() {
  if (isatty(STDERR_FILENO)) (void)!write(STDERR_FILENO, "\a", 1);
}

bool HasPlayerProgram() { return ProcessSound::OnPath("paplay") || ProcessSound::OnPath("aplay"); }

}  // namespace nokari
