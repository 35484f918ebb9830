// リッチエディタ: a rich-text editor; the handle reads and writes its text
// as plain lines (styled text comes with its own commands).
#include <QTextEdit>

#include "gui/parts/PartKinds.h"
#include "gui/parts/TextEditing.h"

namespace nokari {
namespace {

class RichPart : public DocumentPart<QTextEdit> {
 public:
  RichPart() : DocumentPart(new QTextEdit) { w()->resize(185, 89); }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeRichPart() { return std::make_unique<RichPart>(); }

}  // namespace nokari
