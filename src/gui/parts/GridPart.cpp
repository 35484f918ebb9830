// グリッド: a table whose row 0 is the fixed title row. Qt keeps titles
// apart from the data, so row 0 of Cells()/SetCells() is the header labels
// and data row r is table row r - 1; RowCount counts the title row.
#include <QHeaderView>
#include <QTableWidget>

#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class GridPart : public QtPart<QTableWidget> {
 public:
  // 5 columns and 5 rows (one of them the titles), the current cell on
  // the first data row, whole rows selected.
  GridPart() : QtPart(new QTableWidget(4, 5)) {
    w()->resize(320, 120);
    w()->verticalHeader()->hide();
    w()->setSelectionMode(QAbstractItemView::SingleSelection);
    SetEditable(false);
    w()->setCurrentCell(0, 0);
    QObject::connect(w()->horizontalHeader(), &QHeaderView::sectionClicked, w(), [this](int column) {
      if (sortOnTitle_) w()->sortItems(column);
    });
  }

  std::vector<std::vector<std::string>> Cells() const override {
    std::vector<std::vector<std::string>> rows(w()->rowCount() + 1);
    for (int c = 0; c < w()->columnCount(); ++c) {
      QTableWidgetItem* title = w()->horizontalHeaderItem(c);
      rows[0].push_back(title ? FromQ(title->text()) : std::string());
      for (int r = 0; r < w()->rowCount(); ++r) {
        QTableWidgetItem* item = w()->item(r, c);
        rows[r + 1].push_back(item ? FromQ(item->text()) : std::string());
      }
    }
    return rows;
  }
  // The widest row decides the column count; shorter rows leave the rest
  // empty. At least the title row stays. The current cell stays where it
  // was, moved inside the new rows: clearing the table leaves none.
  void SetCells(const std::vector<std::vector<std::string>>& rows) override {
    size_t columns = 0;
    for (const auto& row : rows) columns = std::max(columns, row.size());
    const int row = std::max(w()->currentRow(), 0), column = std::max(w()->currentColumn(), 0);
    w()->clear();  // items and titles
    w()->setColumnCount(static_cast<int>(columns));
    w()->setRowCount(rows.empty() ? 0 : static_cast<int>(rows.size()) - 1);
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t c = 0; c < rows[r].size(); ++c) {
        auto* item = new QTableWidgetItem(Q(rows[r][c]));
        if (r == 0)
          w()->setHorizontalHeaderItem(static_cast<int>(c), item);
        else
          w()->setItem(static_cast<int>(r) - 1, static_cast<int>(c), item);
      }
    if (w()->rowCount() > 0 && w()->columnCount() > 0)
      w()->setCurrentCell(std::min(row, w()->rowCount() - 1), std::min(column, w()->columnCount() - 1));
  }
  int RowCount() const override { return w()->rowCount() + 1; }

  // The current row counts the title row: the first data row is 1, and
  // the title row is never current (also in a grid without data rows).
  int Value() const override { return Line(); }
  void SetValue(int n) override { SetLine(n); }
  int Line() const override { return std::max(w()->currentRow(), 0) + 1; }
  int Column() const override { return std::max(w()->currentColumn(), 0); }
  void SetLine(int n) override { w()->setCurrentCell(std::max(n, 1) - 1, Column()); }
  void SetColumn(int n) override { w()->setCurrentCell(std::max(Line(), 1) - 1, n); }

  // Editing cells and selecting whole rows exclude each other.
  bool Editable() const override { return w()->editTriggers() != QAbstractItemView::NoEditTriggers; }
  void SetEditable(bool on) override {
    w()->setEditTriggers(on ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                  QAbstractItemView::AnyKeyPressed
                            : QAbstractItemView::NoEditTriggers);
    SetRowSelect(!on);
  }
  void SetRowSelect(bool on) override {
    w()->setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
  }
  // Sorting on a title click sorts the data rows only (the titles are no
  // row); the order is not kept up as cells change.
  void SetSortOnTitleClick(bool on) override { sortOnTitle_ = on; }

 private:
  bool sortOnTitle_ = false;
};

}  // namespace

std::unique_ptr<QtPartBase> MakeGridPart() { return std::make_unique<GridPart>(); }

}  // namespace nokari
