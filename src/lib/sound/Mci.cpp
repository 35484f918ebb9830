#include "lib/sound/Mci.h"

#include <cctype>

namespace nokari::sound {
namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

}  // namespace

std::vector<std::string> MciWords(std::string_view command) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < command.size()) {
    while (i < command.size() && (command[i] == ' ' || command[i] == '\t')) ++i;
    if (i >= command.size()) break;
    std::string word;
    if (command[i] == '"') {
      size_t end = command.find('"', i + 1);
      if (end == std::string_view::npos) end = command.size();
      word = std::string(command.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      size_t end = i;
      while (end < command.size() && command[end] != ' ' && command[end] != '\t') ++end;
      word = std::string(command.substr(i, end - i));
      i = end;
    }
    words.push_back(std::move(word));
  }
  return words;
}

MciAction ReadMci(std::string_view command, MciDevices& devices) {
  std::vector<std::string> words = MciWords(command);
  MciAction action;
  if (words.size() < 2) return action;
  std::string verb = Lower(words[0]);
  if (verb == "open") {
    // open FILE [type T] [alias A] [wait]
    action.File = words[1];
    action.Device = Lower(words[1]);
    for (size_t i = 2; i < words.size(); ++i) {
      std::string w = Lower(words[i]);
      if ((w == "alias" || w == "type") && i + 1 < words.size()) {
        if (w == "alias") action.Device = Lower(words[i + 1]);
        ++i;
      } else if (w != "wait" && w != "shareable") {
        return {};
      }
    }
    devices.FileOf[action.Device] = action.File;
    action.What = MciAction::Open;
    return action;
  }
  action.Device = Lower(words[1]);
  if (verb == "close" && action.Device == "all") {
    devices.FileOf.clear();
    action.What = MciAction::Close;
    return action;
  }
  auto device = devices.FileOf.find(action.Device);
  if (device == devices.FileOf.end()) return action;
  action.File = device->second;
  std::vector<std::string> rest;
  for (size_t i = 2; i < words.size(); ++i) rest.push_back(Lower(words[i]));
  auto only = [&](std::initializer_list<const char*> allowed) {
    for (const std::string& w : rest) {
      bool ok = false;
      for (const char* a : allowed) ok = ok || w == a;
      if (!ok) return false;
    }
    return true;
  };
  if (verb == "play" && only({"repeat", "wait", "notify"})) {
    for (const std::string& w : rest) action.Repeat = action.Repeat || w == "repeat";
    action.What = MciAction::Play;
  } else if (verb == "stop" && only({"wait", "notify"})) {
    action.What = MciAction::Stop;
  } else if (verb == "close" && only({"wait", "notify"})) {
    devices.FileOf.erase(device);
    action.What = MciAction::Close;
  } else if (verb == "status" && rest.size() == 1 && rest[0] == "mode") {
    action.What = MciAction::Status;
  }
  return action;
}

const char* MciModeText(PlayState state) {
  switch (state) {
    case PlayState::NotReady: return "not ready";
    case PlayState::Stopped: return "stopped";
    case PlayState::Playing: return "playing";
    case PlayState::Recording: return "recording";
    case PlayState::Seeking: return "seeking";
    case PlayState::Paused: return "paused";
    case PlayState::Open: return "open";
  }
  return "not ready";
}

}  // namespace nokari::sound
