// One factory a kind, each in its own file beside this one. A factory
// makes the widget with its kind's own defaults (size, range, colours) and
// no parent; the service puts it onto its container.
#pragma once
#include <memory>

#include "gui/parts/QtPart.h"

namespace nokari {

std::unique_ptr<QtPartBase> MakeButtonPart();
std::unique_ptr<QtPartBase> MakeEditPart();
std::unique_ptr<QtPartBase> MakeImagePart();
std::unique_ptr<QtPartBase> MakeBarPart();
std::unique_ptr<QtPartBase> MakeComboPart();
std::unique_ptr<QtPartBase> MakeListPart();
std::unique_ptr<QtPartBase> MakeMemoPart();
std::unique_ptr<QtPartBase> MakeFormPart();
std::unique_ptr<QtPartBase> MakeGridPart();
std::unique_ptr<QtPartBase> MakeLabelPart();
std::unique_ptr<QtPartBase> MakeCheckPart();
std::unique_ptr<QtPartBase> MakeTrackPart();
std::unique_ptr<QtPartBase> MakeAnimePart();
std::unique_ptr<QtPartBase> MakeMenuPart();
std::unique_ptr<QtPartBase> MakeBrowserPart();
std::unique_ptr<QtPartBase> MakePanelPart();
std::unique_ptr<QtPartBase> MakeTEditorPart();
std::unique_ptr<QtPartBase> MakeRadioPart();
std::unique_ptr<QtPartBase> MakeScrollPart();
std::unique_ptr<QtPartBase> MakeTabPart();
std::unique_ptr<QtPartBase> MakeTreePart();
std::unique_ptr<QtPartBase> MakeRichPart();

}  // namespace nokari
