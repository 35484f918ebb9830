#include "core/Services.h"

#include <thread>

namespace nokari {
namespace {

// One stateless object serves every engine without a host.
class QuietHost final : public IOutputService,
                        public IDialogService,
                        public IClipboardService,
                        public IScreenService,
                        public IEventPump,
                        public IWindowService {
 public:
  void WriteText(const std::string&, const TextStyle&) override {}
  void MessageBox(const std::string&, const std::string&) override {}
  void Diagnostic(const std::string&) override {}

  ErrorChoice ShowErrorDialog(const std::string&, bool) override { return ErrorChoice::Quit; }
  std::optional<std::string> Input(const std::string&, const std::string&) override { return std::nullopt; }
  bool YesNo(const std::string&, const std::string&) override { return false; }
  Confirm AskConfirm(const std::string&) override { return Confirm::None; }

  std::string ClipboardText() override { return std::string(); }
  void SetClipboardText(const std::string&) override {}

  ScreenSize PrimaryScreenSize() override { return ScreenSize{}; }

  void ProcessEvents() override {}
  // Nothing can happen while waiting, so `stop` cannot change: just sleep.
  void Wait(Millis duration, const std::function<bool()>& stop) override {
    if (!stop()) std::this_thread::sleep_for(duration);
  }
  // Watches and timers are accepted and never fire.
  int WatchFd(int, int, Callback) override { return ++lastId_; }
  void Unwatch(int) override {}
  int StartTimer(Millis, Callback) override { return ++lastId_; }
  void CancelTimer(int) override {}

  void ShowMainWindow() override {}
  void CloseMainWindow() override {}
  void SetCloseRequestHandler(std::function<void()>) override {}

 private:
  int lastId_ = 0;
};

}  // namespace

namespace {

class RefusingGuard : public IChangeGuard {
 public:
  bool RefusesChange(TNokaBase&, const std::string&, const std::vector<std::string>&) override { return true; }
  bool RefusesChange(TNokaBase&, const std::string&, const std::vector<CheckedTarget*>&, bool) override {
    return true;
  }
};

}  // namespace

IChangeGuard* RefusingChangeGuard() {
  static RefusingGuard refusing;
  return &refusing;
}

HostServices QuietServices() {
  static QuietHost quiet;
  HostServices s = ServicesOf(quiet, quiet, true);
  s.Changes = RefusingChangeGuard();
  return s;
}

}  // namespace nokari
