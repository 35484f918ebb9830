// DDE conversations between programs over the local channel (Channel.h):
// DDE送信 sends a macro to another program's topic, DDEサーバー作成 offers
// a topic of our own whose macros run a label. The debugger's two
// commands live here too, beside the link they share the channel with
// (DebugLink.h).
#include <chrono>

#include "core/Debugger.h"
#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Events.h"
#include "lib/dde/DebugLink.h"
#include "lib/dde/Messages.h"
#include "lib/programs/Start.h"
#include "words/Contract.h"
#include "words/Family.h"

namespace nokari {
namespace {

using Millis = std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// How long a server has to answer one macro, and how long a program
// started for DDEファイル名 has to begin serving.
constexpr Millis kAnswerTimeout{5000};
constexpr Millis kStartTimeout{5000};
constexpr Millis kRetryInterval{100};

// The label as written: a name (with or without its mark), or a literal
// holding one.
std::string LabelName(TNokaBase& e, const std::string& raw) {
  std::string name = !raw.empty() && (raw[0] == '"' || raw[0] == '`') ? EvaluateText(e, raw) : raw;
  if (!name.empty() && name[0] == '*') name.erase(0, 1);
  return name;
}

dde::SendStatus Send(TNokaBase& e, const std::string& path, const std::string& line) {
  // While waiting, our own pump runs, so a topic of this very program
  // answers (its handler only queues the label).
  IEventPump* pump = e.Services.Pump;
  return dde::SendMacro(path, line, kAnswerTimeout, [pump] {
    if (pump) pump->ProcessEvents();
  });
}

// DDE送信: server, topic, macro. A server that is not running is started
// from DDEファイル名 when that is set, and given a few seconds to answer.
void CmdDdeSend(TNokaBase& e) {
  std::string command = PopArgValue(e);
  std::string topic = PopArgValue(e);
  std::string server = PopArgValue(e);
  std::string why;
  std::string folder = dde::OpenChannelFolder(why);
  if (folder.empty()) RaiseError(e, msg::kDdeCannotLink, {server, topic});
  const std::string path = dde::SocketPath(folder, ToUtf8(server), ToUtf8(topic));
  const std::string line = dde::MacroLine(command);
  dde::SendStatus status = Send(e, path, line);
  const std::string program = VarValue(e, "DDEファイル名");
  if (status == dde::SendStatus::NoServer && !program.empty()) {
    programs::StartCommandText(e, program);
    const Clock::time_point until = Clock::now() + kStartTimeout;
    while (status == dde::SendStatus::NoServer && Clock::now() < until && !e.StopFlag) {
      if (e.Services.Pump)
        e.Services.Pump->Wait(kRetryInterval, [] { return false; });
      status = Send(e, path, line);
    }
  }
  if (status == dde::SendStatus::NoServer) RaiseError(e, msg::kDdeCannotLink, {server, topic});
  if (status != dde::SendStatus::Done) RaiseError(e, msg::kDdeSendFailed, {server, topic});
}

// DDEサーバー作成: label, topic. A macro received on the topic becomes
// DDE文字列 and runs the label as an event.
void CmdDdeServe(TNokaBase& e) {
  std::string topic = PopArgValue(e);
  std::string name = LabelName(e, PopArgText(e));
  const std::string self = Sj("自身");
  THashNode* label = FindWord(e, name);
  if (!label || label->Kind != kLabel) RaiseError(e, msg::kDdeNoLabel, {self, topic});
  dde::DdeState& state = FamilyState<dde::DdeState>(e);
  if (state.Topics.size() >= dde::DdeState::kMaxTopics) RaiseError(e, msg::kDdeTooManyServers, {self, topic});
  std::string why;
  std::string folder = dde::OpenChannelFolder(why);
  if (folder.empty() || !e.Services.Pump) RaiseError(e, msg::kDdeCreateFailed, {self, topic});
  TextPos entry = label->Ref;
  std::string file = label->TypeTag;
  auto server = std::make_unique<dde::ChannelServer>(
      *e.Services.Pump,
      [&e, entry, file](const std::string& line) {
        std::string text;
        if (!dde::MacroText(line, text)) return false;
        EngineEvent event;
        event.Entry = entry;
        event.FileName = file;
        event.Vars.push_back({Sj("DDE文字列"), std::move(text), "s"});
        return QueueEvent(e, std::move(event));
      },
      false);
  const std::string path = dde::SocketPath(folder, ToUtf8(dde::OwnServiceName(e)), ToUtf8(topic));
  switch (server->Listen(path, why)) {
    case dde::ChannelServer::Status::Serving:
      state.Topics.push_back(std::move(server));
      return;
    case dde::ChannelServer::Status::AlreadyServed:
      // The first program keeps the topic; this one counts it and runs on.
      if (e.DebugMode) e.Services.Output->Diagnostic(FromUtf8("nokari: " + why));
      state.Topics.push_back(nullptr);
      return;
    case dde::ChannelServer::Status::Failed:
      RaiseError(e, msg::kDdeCreateFailed, {self, topic});
  }
}

void CmdShowDebugger(TNokaBase& e) { ShowDebugger(e); }

void CmdStopAtLines(TNokaBase& e) { e.LineStop = true; }

using Id = CommandId;

constexpr CommandImpl kCommands[] = {
    {Id::DEBUG, CmdShowDebugger},
    {Id::改行で実行を止める, CmdStopAtLines},
    {Id::DDE送信, CmdDdeSend},
    {Id::DDEサーバー作成, CmdDdeServe},
};
constexpr MessageEntry kMessages[] = {
#define NOKARI_MESSAGE(name, text) {#name, text},
#include "lib/dde/Messages.inc"
#undef NOKARI_MESSAGE
};

}  // namespace

extern const Family kDdeFamily{"dde", kCommands, kMessages};

}  // namespace nokari
