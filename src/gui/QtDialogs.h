// The dialogs of the Qt host: the program's own small windows (message,
// input, list choice, button choice, memo), laid out from their text each
// time they are shown, and the platform's standard dialogs (question box,
// colour, font, files, folder). QtHost forwards its dialog questions here.
//
// Every window is modal and titled with the application's name. The
// widgets a test robot presses carry object names: "ok" and "cancel" on the
// own windows, "choices" (the list), "result" (the result field), "edit"
// (the input line) and "memo".
#pragma once
#include <QColor>
#include <QFont>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "core/Services.h"

class QWidget;

namespace nokari {

class QtDialogs {
 public:
  explicit QtDialogs(QWidget* owner) : owner_(owner) {}

  // 言う: the text in a label, as many lines as 70 % of the screen holds.
  void Say(const std::string& text);
  std::optional<std::string> Input(const std::string& prompt, const std::string& initial);
  bool YesNo(const std::string& prompt, const std::string& caption);
  YesNoAnswer YesNoCancel(const std::string& prompt, const std::string& caption);
  std::optional<std::string> Choose(const std::string& prompt, const std::vector<std::string>& items,
                                    const std::string& initial, bool editable);
  std::optional<std::string> ChooseButton(const std::string& prompt, const std::vector<std::string>& items);
  std::optional<std::string> Memo(const std::string& initial);
  std::optional<uint32_t> Color(uint32_t initial);
  std::optional<FontChoice> Font(const FontChoice& initial);
  std::optional<std::vector<std::string>> OpenFiles(const std::vector<FileFilter>& filters,
                                                    const std::string& initialName);
  std::optional<std::string> SaveFile(const std::vector<FileFilter>& filters, const std::string& defaultExt,
                                      const std::string& initialName);
  std::optional<std::string> Folder(const std::string& start);
  // The font and text colour of the own windows from now on.
  static void SetOwnFont(const QFont& font, const QColor& color);

 private:
  QWidget* owner_;
};

// The file chooser's filters in Qt's form: "desc (pattern)", patterns
// separated by spaces, "*.*" as "*" (names without a dot match too).
QStringList QtFileFilters(const std::vector<FileFilter>& filters);

}  // namespace nokari
