// The part of the multimedia control interface's command strings that
// scripts use to play a file: open, play, stop, close and "status … mode".
// Devices are known by their alias (or, without one, by the file name as
// written). Anything else is an error of the interface.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Sound.h"

namespace nokari::sound {

// A command string split into words; "…" keeps blanks inside one word.
std::vector<std::string> MciWords(std::string_view command);

// The devices opened so far and what each plays.
struct MciDevices {
  std::map<std::string, std::string> FileOf;  // alias (lower-cased ASCII) -> file name
};

// What a command asks the player to do.
struct MciAction {
  enum Kind { Nothing, Open, Play, Stop, Close, Status, Error } What = Error;
  std::string Device;  // alias, lower-cased
  std::string File;    // Open, Play: the file
  bool Repeat = false;  // Play: "repeat"
};

// Reads one command against the devices opened so far (Open records the
// device, Close forgets it). Error: the command is not one of the subset,
// or names a device that is not open.
MciAction ReadMci(std::string_view command, MciDevices& devices);

// "status … mode" replies.
const char* MciModeText(PlayState state);

}  // namespace nokari::sound
