// リスト: a list of lines, one of them selected or none (-1). Its text is
// the selected line's.
#include <QListWidget>
#include <algorithm>
#include <optional>

#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class ListPart : public QtPart<QListWidget> {
 public:
  ListPart() : QtPart(new QListWidget) {
    w()->resize(121, 97);
    QAbstractItemModel* model = w()->model();
    auto forget = [this] { items_.reset(); };
    QObject::connect(model, &QAbstractItemModel::rowsInserted, Context(), forget);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, Context(), forget);
    QObject::connect(model, &QAbstractItemModel::rowsMoved, Context(), forget);
    QObject::connect(model, &QAbstractItemModel::dataChanged, Context(), forget);
    QObject::connect(model, &QAbstractItemModel::layoutChanged, Context(), forget);
    QObject::connect(model, &QAbstractItemModel::modelReset, Context(), forget);
  }

  std::string Text() const override { return Selected() ? FromQ(Selected()->text()) : std::string(); }
  void SetText(const std::string& text) override {
    if (Selected()) Selected()->setText(Q(text));
  }
  std::string SelectedText() const override { return Text(); }
  void ReplaceSelection(const std::string& text) override { SetText(text); }

  // Kept while the items are unchanged: a script reading a long list in
  // a loop converts it once, not at every reading.
  std::vector<std::string> Items() const override {
    if (!items_) {
      items_.emplace();
      for (int i = 0; i < w()->count(); ++i) items_->push_back(FromQ(w()->item(i)->text()));
    }
    return *items_;
  }
  void SetItems(const std::vector<std::string>& items) override {
    if (AppendTail(items)) return;
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
  // Items that are the list's items with more after them (「Lのアイテムは、
  // Lのアイテム&…」 in a loop) only add the new ones: rebuilding every
  // item made such a loop quadratic. The end state is what rebuilding
  // leaves: the same items, none selected, scrolled to the top.
  bool AppendTail(const std::vector<std::string>& items) {
    std::vector<std::string> old = Items();
    if (sorted_ || old.empty() || items.size() <= old.size() || !std::equal(old.begin(), old.end(), items.begin()))
      return false;
    QStringList tail;
    for (size_t i = old.size(); i < items.size(); ++i) tail.append(Q(items[i]));
    w()->clearSelection();
    w()->setCurrentRow(-1);
    w()->addItems(tail);
    w()->scrollToTop();
    old.insert(old.end(), items.begin() + static_cast<std::ptrdiff_t>(old.size()), items.end());
    items_ = std::move(old);
    return true;
  }

  bool sorted_ = false;
  mutable std::optional<std::vector<std::string>> items_;  // Items() since the last change
};

}  // namespace

std::unique_ptr<QtPartBase> MakeListPart() { return std::make_unique<ListPart>(); }

}  // namespace nokari
