// The Qt host: the main window TfrmNoka with its persistent canvas, the
// error dialog TfrmError, and the standard dialogs.
#pragma once
#include <QDialog>
#include <QImage>
#include <QWidget>

#include "core/Engine.h"
#include "host/Host.h"

namespace nokari {

class TfrmNoka : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmNoka(TNokaBase& engine);
  QImage& Canvas() { return canvas_; }
  void AllowClose() { closing_ = true; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  TNokaBase& engine_;
  QImage canvas_;
  bool closing_ = false;
};

class TfrmError : public QDialog {
  Q_OBJECT
 public:
  TfrmError(QWidget* owner, const QString& log, bool debugMode);
  ErrorChoice Choice() const { return choice_; }

 private:
  ErrorChoice choice_ = ErrorChoice::Quit;
};

class QtHost : public IHost {
 public:
  QtHost(TNokaBase& engine, TfrmNoka& window) : engine_(engine), window_(window) {}
  void WriteText(const std::string& text) override;
  void MessageBox(const std::string& text, const std::string& caption) override;
  ErrorChoice ShowErrorDialog(const std::string& log, bool debugMode) override;
  bool InputBox(const std::string& prompt, const std::string& initial, std::string& answer) override;
  bool YesNo(const std::string& prompt, const std::string& caption) override;
  Confirm AskConfirm(const std::string& question) override;
  void ProcessEvents() override;
  void ShowMainWindow() override;
  void RequestClose() override;
  std::string ClipboardText() override;
  void SetClipboardText(const std::string& text) override;
  int ScreenWidth() override;
  int ScreenHeight() override;
  void Diagnostic(const std::string& text) override;
  bool IsConsole() const override { return false; }

 private:
  TNokaBase& engine_;
  TfrmNoka& window_;
};

}  // namespace nokari
