#include "gui/parts/TextEditing.h"

#include <algorithm>

namespace nokari {

namespace line_edit {

int SelStart(const QLineEdit* e) { return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition(); }
int SelLength(const QLineEdit* e) { return e->hasSelectedText() ? e->selectionLength() : 0; }

void SetSelection(QLineEdit* e, int start, int length) {
  int size = e->text().size();
  start = std::clamp(start, 0, size);
  e->setSelection(start, std::clamp(length, 0, size - start));
}

}  // namespace line_edit

int OuterPosition(const QString& plain, int inner) {
  inner = std::clamp(inner, 0, static_cast<int>(plain.size()));
  return inner + static_cast<int>(plain.left(inner).count('\n'));
}

// A position inside a CR LF pair lands after it.
int InnerPosition(const QString& plain, int outer) {
  int inner = 0;
  for (int seen = 0; seen < outer && inner < plain.size(); ++inner) seen += plain[inner] == '\n' ? 2 : 1;
  return inner;
}

}  // namespace nokari
