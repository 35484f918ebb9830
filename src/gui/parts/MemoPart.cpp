// メモ: plain lines without wrapping; its text reads back with CR LF.
#include <QPlainTextEdit>

#include "gui/parts/PartKinds.h"
#include "gui/parts/TextEditing.h"

namespace nokari {
namespace {

class MemoPart : public DocumentPart<QPlainTextEdit> {
 public:
  MemoPart() : DocumentPart(new QPlainTextEdit) { w()->resize(185, 89); }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeMemoPart() { return std::make_unique<MemoPart>(); }

}  // namespace nokari
