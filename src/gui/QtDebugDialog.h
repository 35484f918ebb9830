// The debug dialog of window runs, TfrmDebug: the program text with the
// line that has just run selected, the run-control frames, and the
// variables (level filter, search, built-ins and GUI objects on request).
// What it shows comes from core/Debugger.h, as the console's does.
#pragma once
#include <QDialog>
#include <functional>

#include "core/Debugger.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTableWidget;

namespace nokari {

class TfrmDebug : public QDialog {
  Q_OBJECT
 public:
  TfrmDebug(QWidget* owner, TNokaBase& e, std::function<void()> syncEditor);
  DebugChoice Choice() const { return choice_; }

  // The grid again, from the filter boxes (level, search, the two ticks).
  void FillVariables();
  // For tests: what the dialog is showing.
  QTableWidget* Grid() const { return grid_; }
  QListWidget* Frames() const { return frames_; }
  QPlainTextEdit* Memo() const { return memo_; }
  QLabel* LineLabel() const { return lineLabel_; }
  QLineEdit* LevelBox() const { return level_; }
  QLineEdit* SearchBox() const { return search_; }
  QCheckBox* SystemBox() const { return system_; }
  QCheckBox* ObjectsBox() const { return objects_; }

 private:
  void FillFrames();
  void FillProgram();
  void ShowVariable(int row);
  void Choose(DebugChoice choice);
  // Enter on a variable shows it, as a double click does.
  bool eventFilter(QObject* watched, QEvent* event) override;

  TNokaBase& e_;
  std::function<void()> syncEditor_;
  DebugChoice choice_ = DebugChoice::Continue;
  QTableWidget* grid_ = nullptr;
  QListWidget* frames_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QLabel* lineLabel_ = nullptr;
  QLineEdit* level_ = nullptr;
  QLineEdit* search_ = nullptr;
  QCheckBox* system_ = nullptr;
  QCheckBox* objects_ = nullptr;
};

// The debug service of a window run: TfrmDebug, modal, centred over
// `owner` (the main window).
class QtDebugger : public IDebugService {
 public:
  explicit QtDebugger(QWidget* owner) : owner_(owner) {}
  DebugChoice ShowDebugDialog(TNokaBase& e, const std::function<void()>& syncEditor) override;

 private:
  QWidget* owner_;
};

}  // namespace nokari
