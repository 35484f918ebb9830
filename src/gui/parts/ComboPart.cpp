// コンボ: an editable drop-down. A new one has an empty text and nothing
// selected (-1), and keeps it so when items arrive: QComboBox selects its
// first item by itself, which a script never asked for.
#include <QComboBox>

#include "gui/parts/PartKinds.h"
#include "gui/parts/TextEditing.h"

namespace nokari {
namespace {

class ComboPart : public QtPart<QComboBox> {
 public:
  ComboPart() : QtPart(new QComboBox) {
    w()->resize(145, 21);
    w()->setEditable(true);
    w()->setInsertPolicy(QComboBox::NoInsert);
    w()->setCurrentIndex(-1);
    w()->clearEditText();
    QObject::connect(w(), &QComboBox::currentTextChanged, Context(), [this](const QString& text) { ReportChange(text); });
    // Besides a click in the field: the user picking an item from the list.
    QObject::connect(w(), &QComboBox::activated, Context(), [this] { ReportClick(); });
  }
  std::string Text() const override { return FromQ(w()->currentText()); }
  void SetText(const std::string& text) override {
    if (w()->isEditable())
      w()->setEditText(Q(text));
    else
      w()->setCurrentIndex(w()->findText(Q(text), Qt::MatchExactly));
  }

  std::vector<std::string> Items() const override {
    std::vector<std::string> items;
    for (int i = 0; i < w()->count(); ++i) items.push_back(FromQ(w()->itemText(i)));
    return items;
  }
  // Clearing empties the text on the way: only the end state may be a change.
  void SetItems(const std::vector<std::string>& items) override {
    ChangeQuietly([&] {
      QString text = w()->currentText();
      int index = w()->currentIndex();
      w()->clear();
      for (const std::string& item : items) w()->addItem(Q(item));
      if (sorted_) w()->model()->sort(0);
      w()->setCurrentIndex(index < w()->count() ? index : -1);
      if (w()->isEditable()) w()->setEditText(text);
    });
    ReportChange(w()->currentText());
  }
  void SetItemText(int index, const std::string& text) override { w()->setItemText(index, Q(text)); }
  bool Sorted() const override { return sorted_; }
  void SetSorted(bool on) override {
    sorted_ = on;
    if (on) w()->model()->sort(0);
  }
  int Value() const override { return w()->currentIndex(); }
  void SetValue(int n) override { w()->setCurrentIndex(n); }

  bool Editable() const override { return w()->isEditable(); }
  void SetEditable(bool on) override { w()->setEditable(on); }
  int SelStart() const override { return Field() ? line_edit::SelStart(Field()) : 0; }
  int SelLength() const override { return Field() ? line_edit::SelLength(Field()) : 0; }
  void SetSelection(int start, int length) override {
    if (Field()) line_edit::SetSelection(Field(), start, length);
  }
  std::string SelectedText() const override { return Field() ? FromQ(Field()->selectedText()) : std::string(); }
  void ReplaceSelection(const std::string& text) override {
    if (Field()) Field()->insert(Q(text));
  }
  void SetInputMethod(bool on) override { w()->setAttribute(Qt::WA_InputMethodEnabled, on); }

 private:
  // The edit field exists only while the combo is editable.
  QLineEdit* Field() const { return w()->lineEdit(); }
  bool sorted_ = false;
};

}  // namespace

std::unique_ptr<QtPartBase> MakeComboPart() { return std::make_unique<ComboPart>(); }

}  // namespace nokari
