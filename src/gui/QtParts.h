// The Qt side of the parts: the service that makes a part's widget for
// each kind and puts it on its container, and the handle of the main
// window 母艦 (a フォーム over TfrmNoka, whose client holds the parts).
#pragma once
#include <memory>

#include "core/Parts.h"

namespace nokari {

class TfrmNoka;
class QtPartBase;

class QtPartService : public IPartService {
 public:
  explicit QtPartService(TfrmNoka& mainWindow);
  ~QtPartService() override;
  // A フォーム is a window of its own; any other part goes onto `parent`'s
  // client (the current page of a タブページ, the inner widget of a
  // スクロール), or onto the main window when `parent` is no container.
  std::unique_ptr<PartHandle> Create(PartKind kind, PartHandle& parent) override;
  PartHandle& MainWindow() override;
  IGraphics* Graphics() override;
  // Items of the main window's menu bar and of their sub-menus (gui/QtMenus).
  std::unique_ptr<PartHandle> CreateMenuItem(PartHandle* parentItem, const std::string& caption) override;

 private:
  TfrmNoka& window_;
  std::unique_ptr<QtPartBase> main_;
};

}  // namespace nokari
