// Program start: a fresh word table, the prepared main text, its labels.
#include <cstring>

#include "core/Engine.h"
#include "core/EngineCaches.h"
#include "core/Keywords.h"
#include "core/Prepare.h"
#include "words/Contract.h"
#include "words/Registry.h"

namespace nokari {

void StartProgram(TNokaBase& e, const std::string& sourceText) {
  e.ErrorLog.clear();
  e.Cursor.Reset();
  e.LineNo = 0;
  e.Words.Clear();
  e.RunStack.ClearAll();
  e.ArgStack.Clear();
  e.Caches->Clear();
  e.WarnedPlaces.clear();
  e.CondResult = -1;
  e.SwitchValue = Kw().Undefined;
  e.StopFlag = false;
  e.Closed = false;
  ResetEvents(e);
  RegisterBuiltins(e);
  TextBuf prepared = MakeText(Prepare(e, sourceText));
  e.Source = prepared;
  e.SourceSlots.assign(1, prepared);
  CollectLabels(e, prepared, e.FileName);
  if (sourceText.find(Sj("母艦浮上")) == std::string::npos) {
    e.Services.Window->ShowMainWindow();
    e.Services.Pump->ProcessEvents();
  }
  e.Cursor = TextPos::StartOf(prepared);
}

}  // namespace nokari
