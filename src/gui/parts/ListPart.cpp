// リスト: a list of lines, one of them selected or none (-1). Its text is
// the selected line's.
#include <QListWidget>

#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class ListPart : public QtPart<QListWidget> {
 public:
  ListPart() : QtPart(new QListWidget) { w()->resize(121, 97); }

  std::string Text() const override { return Selected() ? FromQ(Selected()->text()) : std::string(); }
  void SetText(const std::string& text) override {
    if (Selected()) Selected()->setText(Q(text));
  }
  std::string SelectedText() const override { return Text(); }
  void ReplaceSelection(const std::string& text) override { SetText(text); }

  std::vector<std::string> Items() const override {
    std::vector<std::string> items;
    for (int i = 0; i < w()->count(); ++i) items.push_back(FromQ(w()->item(i)->text()));
    return items;
  }
  void SetItems(const std::vector<std::string>& items) override {
    w()->clear();
    for (const std::string& item : items) w()->addItem(Q(item));
    if (sorted_) w()->sortItems();
  }
  void SetItemText(int index, const std::string& text) override {
    if (QListWidgetItem* item = w()->item(index)) item->setText(Q(text));
  }
  bool Sorted() const override { return sorted_; }
  void SetSorted(bool on) override {
    sorted_ = on;
    if (on) w()->sortItems();
  }
  int Value() const override { return Selected() ? w()->row(Selected()) : -1; }
  void SetValue(int n) override {
    w()->setCurrentRow(n);
    if (n < 0) w()->clearSelection();
  }

 private:
  QListWidgetItem* Selected() const {
    QListWidgetItem* item = w()->currentItem();
    return item && item->isSelected() ? item : nullptr;
  }
  bool sorted_ = false;
};

}  // namespace

std::unique_ptr<QtPartBase> MakeListPart() { return std::make_unique<ListPart>(); }

}  // namespace nokari
