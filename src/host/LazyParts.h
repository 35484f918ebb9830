// The parts service of a console run. Loading Qt costs time and memory a
// console script seldom needs, so nothing is loaded until the script first
// asks for a part; then the window module is opened and its offscreen
// parts service (a hidden main window on Qt's offscreen platform) answers
// from there on.
#pragma once
#include <memory>
#include <string>

#include "core/Parts.h"

namespace nokari {

class LazyPartService : public IPartService {
 public:
  // `exePath`: the program beside which the module lies (empty: this one).
  explicit LazyPartService(std::string exePath = {}) : exePath_(std::move(exePath)) {}
  // Takes the loaded service down (its windows, then Qt's application), so
  // the process exits with nothing of Qt left running. Parts made by it
  // must be gone by then.
  ~LazyPartService() override { Shutdown(); }
  void Shutdown();
  bool Loaded() const { return service_ != nullptr; }

  // Both load the module on first use; when it cannot be loaded they
  // raise the error 「ウィンドウ部品を使えません。」 with the reason, on every
  // call.
  std::unique_ptr<PartHandle> Create(PartKind kind, PartHandle& parent) override;
  PartHandle& MainWindow() override;
  IGraphics* Graphics() override;
  std::unique_ptr<PartHandle> CreateMenuItem(PartHandle* parentItem, const std::string& caption) override;
  // Null until a part was asked for: nothing is loaded for it.
  PartHandle* MainWindowIfMade() override { return service_ ? &service_->MainWindow() : nullptr; }

 private:
  IPartService& Service();
  std::string exePath_;
  IPartService* service_ = nullptr;
  void (*destroy_)(IPartService*) = nullptr;
  std::string failure_;  // why loading failed (UTF-8); empty until it has
};

}  // namespace nokari
