// エディタ: a one-line edit field.
#include "gui/parts/PartKinds.h"
#include "gui/parts/TextEditing.h"

namespace nokari {
namespace {

class EditPart : public QtPart<QLineEdit> {
 public:
  EditPart() : QtPart(new QLineEdit) {
    w()->resize(121, 21);
    QObject::connect(w(), &QLineEdit::textChanged, Context(), [this](const QString& text) { ReportChange(text); });
  }
  std::string Text() const override { return FromQ(w()->text()); }
  void SetText(const std::string& text) override { w()->setText(Q(text)); }
  bool Editable() const override { return !w()->isReadOnly(); }
  void SetEditable(bool on) override { w()->setReadOnly(!on); }
  int SelStart() const override { return line_edit::SelStart(w()); }
  int SelLength() const override { return line_edit::SelLength(w()); }
  void SetSelection(int start, int length) override { line_edit::SetSelection(w(), start, length); }
  std::string SelectedText() const override { return FromQ(w()->selectedText()); }
  void ReplaceSelection(const std::string& text) override { w()->insert(Q(text)); }
  void SetInputMethod(bool on) override { w()->setAttribute(Qt::WA_InputMethodEnabled, on); }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeEditPart() { return std::make_unique<EditPart>(); }

}  // namespace nokari
