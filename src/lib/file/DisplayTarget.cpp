#include "lib/file/DisplayTarget.h"

#include "core/Errors.h"
#include "lib/file/FileCommon.h"
#include "lib/file/FileOps.h"
#include "lib/path/Path.h"
#include "lib/file/Messages.h"

namespace nokari {

bool WriteToDisplayTarget(TNokaBase& e, const std::string& text) {
  std::string target = VarValue(e, "表示出力先");
  if (target.empty()) return false;
  std::string name = ResolveLocal(e, target);
  std::string native = NativePath(name);
  int64_t attr = AttributesOf(native);
  if (attr >= 0 && (attr & 16)) return false;
  CheckedTarget checked = TargetOf(name);
  if (Refused(e, msg::kAskWrite, {name}, {&checked})) return true;
  if (!Usable(checked) || !AppendEntry(checked.Folder(), checked.Leaf(), text + "\r\n", true))
    RaiseReadWrite(e, name);
  return true;
}

}  // namespace nokari
