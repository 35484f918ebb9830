#include "host/LazyParts.h"

#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Messages.h"
#include "host/GuiModule.h"

namespace nokari {

IPartService& LazyPartService::Service() {
  if (service_) return *service_;
  if (failure_.empty()) {
    using Create = IPartService* (*)();
    using Destroy = void (*)(IPartService*);
    auto create = reinterpret_cast<Create>(GuiModuleEntry(exePath_, "NokariCreatePartService", failure_));
    auto destroy = create ? reinterpret_cast<Destroy>(GuiModuleEntry(exePath_, "NokariDestroyPartService", failure_))
                          : nullptr;
    if (create && destroy) {
      service_ = create();
      destroy_ = destroy;
      return *service_;
    }
  }
  // A failure stays a failure: the module is not retried within a run.
  RaisePlain(msg::kPartsUnavailable, {FromUtf8(failure_)});
}

void LazyPartService::Shutdown() {
  if (service_) destroy_(service_);
  service_ = nullptr;
}

std::unique_ptr<PartHandle> LazyPartService::Create(PartKind kind, PartHandle& parent) {
  return Service().Create(kind, parent);
}

PartHandle& LazyPartService::MainWindow() { return Service().MainWindow(); }

IGraphics* LazyPartService::Graphics() { return Service().Graphics(); }

std::unique_ptr<PartHandle> LazyPartService::CreateMenuItem(PartHandle* parentItem, const std::string& caption) {
  return Service().CreateMenuItem(parentItem, caption);
}

}  // namespace nokari
