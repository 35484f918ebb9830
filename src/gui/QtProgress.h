// The progress window of network transfers in window mode (進行度表示): a
// small dialog centred on the screen with a bar, a one-line label and the
// stop button 中止, enabled only while a command has given a stop action.
// It never blocks: the command moves the bar and lets the event loop run
// from its transfer's progress calls.
#pragma once
#include <QObject>
#include <functional>

#include "core/Progress.h"

class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace nokari {

class QtProgress : public QObject, public IProgressService {
 public:
  // The dialog is made at the first Open, owned by `owner` (the main
  // window) but placed on the screen's centre.
  explicit QtProgress(QWidget& owner);
  void Open(const std::string& label, std::function<void()> stop) override;
  void SetLabel(const std::string& label) override;
  void SetPosition(int64_t done, int64_t total) override;
  void Close() override;

  // Tests: the dialog and its parts (null before the first Open).
  QDialog* Dialog() const { return dialog_; }
  QProgressBar* Bar() const { return bar_; }
  QLabel* Label() const { return label_; }
  QPushButton* StopButton() const { return stop_; }

 private:
  void Build();
  void OnStop();

  QWidget& owner_;
  QDialog* dialog_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QLabel* label_ = nullptr;
  QPushButton* stop_ = nullptr;
  std::function<void()> stopAction_;
};

// The main window's progress service, made the first time and owned by it.
IProgressService* QtProgressOf(QWidget& owner);

}  // namespace nokari
