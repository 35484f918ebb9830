// The sound commands: playing files (演奏, 繰り返し演奏), stopping and
// asking (演奏停止, 演奏状態), the multimedia control interface's command
// strings (MCI送信), the beep, and music written as MML (MML演奏). The
// player itself is the host's (core/Sound.h).
#include "core/Sound.h"
#include "lib/file/FileOps.h"
#include "lib/path/Path.h"
#include "lib/sound/Mci.h"
#include "lib/sound/Messages.h"
#include "lib/sound/Mml.h"
#include "words/Family.h"

namespace nokari {
namespace {

// The one player is shared: an MCI device is playing only while it was
// the last thing played.
struct SoundState {
  sound::MciDevices Devices;
  std::string PlayingDevice;  // "" when 演奏 played last, or nothing
};

// 演奏繰り返し: one rule for every kind of file, any number but 0 repeats.
bool RepeatWanted(TNokaBase& e) { return ToNumber(VarValue(e, "演奏繰り返し")) != 0; }

// Plays a file found by the script's search rules (packed files too).
void PlayFile(TNokaBase& e, const std::string& name, bool repeat) {
  std::string resolved = ResolveReadName(e, name);
  std::string native = NativePath(resolved);
  int64_t attributes = resolved.empty() ? -1 : AttributesOf(native);
  if (attributes < 0 || (attributes & 16)) RaiseError(e, msg::kFileMissing, {resolved.empty() ? name : resolved});
  PlayResult result = SoundOf(e.Services).Play(native, repeat);
  FamilyState<SoundState>(e).PlayingDevice.clear();
  switch (result.Failure) {
    case PlayFailure::None: return;
    case PlayFailure::NoPlayer: RaiseError(e, msg::kPlayFailed, {name, Sj(msg::kNoPlayer)});
    case PlayFailure::NoSynth: RaiseError(e, msg::kPlayFailed, {name, Sj(msg::kNoSynth)});
    case PlayFailure::CannotStart: RaiseError(e, msg::kPlayFailed, {name, FromUtf8(result.Detail)});
  }
}

void CmdPlay(TNokaBase& e) { PlayFile(e, PopArgValue(e), RepeatWanted(e)); }
void CmdPlayRepeating(TNokaBase& e) { PlayFile(e, PopArgValue(e), true); }
void CmdStopPlaying(TNokaBase& e) {
  SoundOf(e.Services).Stop();
  FamilyState<SoundState>(e).PlayingDevice.clear();
}

// 演奏状態: the player's mode in words.
void CmdPlayState(TNokaBase& e) {
  static const char* const kNames[] = {"未設定", "停止中", "演奏中", "録音中", "準備中", "一時停止", "再生待ち"};
  SetSoreTyped(e, Sj(kNames[static_cast<int>(SoundOf(e.Services).State())]), "s");
}

// MCI送信: それ is the reply ("" for most commands), or "MCIエラー:"
// and what went wrong.
void CmdSendMci(TNokaBase& e) {
  std::string command = PopArgValue(e);
  SoundState& state = FamilyState<SoundState>(e);
  sound::MciAction action = sound::ReadMci(command, state.Devices);
  ISoundService& player = SoundOf(e.Services);
  std::string reply;
  switch (action.What) {
    case sound::MciAction::Open: {
      std::string resolved = ResolveReadName(e, action.File);
      if (resolved.empty() || AttributesOf(NativePath(resolved)) < 0) {
        state.Devices.FileOf.erase(action.Device);
        reply = FormatMessage(Sj(msg::kMciError), {FormatMessage(Sj(msg::kFileMissing), {action.File})});
      }
      break;
    }
    case sound::MciAction::Play: {
      PlayResult result = player.Play(NativePath(ResolveReadName(e, action.File)), action.Repeat);
      if (!result.Ok()) reply = FormatMessage(Sj(msg::kMciError), {command});
      state.PlayingDevice = result.Ok() ? action.Device : std::string();
      break;
    }
    case sound::MciAction::Stop:
    case sound::MciAction::Close:
      // Another device's stop leaves what plays alone.
      if (action.Device == state.PlayingDevice || action.Device == "all") {
        player.Stop();
        state.PlayingDevice.clear();
      }
      break;
    case sound::MciAction::Status:
      reply = sound::MciModeText(action.Device == state.PlayingDevice ? player.State() : PlayState::Stopped);
      break;
    case sound::MciAction::Nothing:
      break;
    case sound::MciAction::Error:
      reply = FormatMessage(Sj(msg::kMciError), {command});
      break;
  }
  SetSoreTyped(e, reply, "s");
}

void CmdBeep(TNokaBase& e) { SoundOf(e.Services).Beep(); }

// MML演奏: the text-music library writes the MIDI file, which then plays
// as 演奏 plays it.
void CmdPlayMml(TNokaBase& e) {
  std::string mml = PopArgValue(e);
  std::string midi = VarValue(e, "TEMPのパス") + "~nokari_with_torumo_play.mid";
  sound::MmlResult converted = sound::ConvertMml(mml, NativePath(midi));
  switch (converted.Outcome) {
    case sound::MmlOutcome::Converted: break;
    case sound::MmlOutcome::Missing: RaiseError(e, msg::kMmlError, {Sj(msg::kMmlMissing)});
    case sound::MmlOutcome::Broken: RaiseError(e, msg::kMmlError, {Sj(msg::kMmlBroken)});
    case sound::MmlOutcome::Failed: RaiseError(e, msg::kMmlError, {converted.Error});
  }
  PlayFile(e, midi, RepeatWanted(e));
}

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::演奏, CmdPlay},
    {Id::繰り返し演奏, CmdPlayRepeating},
    {Id::演奏停止, CmdStopPlaying},
    {Id::演奏状態, CmdPlayState},
    {Id::MCI送信, CmdSendMci},
    {Id::BEEP, CmdBeep},
    {Id::MML演奏, CmdPlayMml},
};
constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/sound/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kSoundFamily{"sound", kCommands, kMessages};

}  // namespace nokari
