// TfrmDebug: what it shows of a stopped program and what its buttons
// answer, on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "../unit/TestHost.h"
#include "gui/QtDebugDialog.h"
#include "gui/QtHost.h"

namespace nokari {
namespace {

QStringList Names(const QTableWidget& grid) {
  QStringList names;
  for (int i = 0; i < grid.rowCount(); ++i) names << grid.item(i, 0)->text();
  return names;
}

QPushButton* ButtonCaptioned(QWidget& dialog, const char* caption) {
  for (QPushButton* b : dialog.findChildren<QPushButton*>())
    if (b->text() == QString::fromUtf8(caption)) return b;
  return nullptr;
}

TEST(DebugDialog, ShowsVariablesProgramAndFilters) {
  TfrmNoka window;
  testing::TestEngine t;
  t.Run("A=5\nBは「x」\n「a」を、表示\n");
  TfrmDebug dialog(&window, t.e, {});
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("デバッグダイアログ"));
  QStringList names = Names(*dialog.Grid());
  EXPECT_TRUE(names.contains("A") && names.contains("B") && names.contains(QString::fromUtf8("それ"))) << names.join(",").toStdString();
  EXPECT_FALSE(names.contains(QString::fromUtf8("DDE文字列")));
  EXPECT_EQ(dialog.Grid()->horizontalHeaderItem(3)->text(), QString::fromUtf8("宣言レベル"));
  EXPECT_EQ(dialog.LevelBox()->text(), "0");
  EXPECT_TRUE(dialog.Memo()->toPlainText().startsWith("0:\"A\"") || dialog.Memo()->toPlainText().startsWith("0:A"))
      << dialog.Memo()->toPlainText().toStdString();
  EXPECT_EQ(dialog.LineLabel()->text(), QString::fromUtf8("現在の実行行:") + QString::number(t.e.LineNo - 1));

  dialog.SystemBox()->setChecked(true);
  EXPECT_TRUE(Names(*dialog.Grid()).contains(QString::fromUtf8("DDE文字列")));
  dialog.SystemBox()->setChecked(false);
  dialog.SearchBox()->setText("B");
  dialog.FillVariables();
  EXPECT_EQ(Names(*dialog.Grid()), QStringList{"B"});

  for (const char* caption : {"連続実行(&O)", "一行毎に実行(&L)", "実行中断(&C)", "エディタと同期(&E)", "？"})
    EXPECT_NE(ButtonCaptioned(dialog, caption), nullptr) << caption;
  ButtonCaptioned(dialog, "一行毎に実行(&L)")->click();
  EXPECT_EQ(dialog.Choice(), DebugChoice::StepLines);
}

TEST(DebugDialog, ShownDuringTheRunWithItsFrames) {
  TfrmNoka window;
  testing::TestEngine t;
  QtDebugger debugger(&window);
  t.e.Services.Debugger = &debugger;
  QStringList frames;
  int row = -2;
  auto* timer = new QTimer(&window);
  QObject::connect(timer, &QTimer::timeout, timer, [&] {
    auto* dialog = qobject_cast<TfrmDebug*>(QApplication::activeModalWidget());
    if (!dialog) return;
    timer->stop();
    for (int i = 0; i < dialog->Frames()->count(); ++i) frames << dialog->Frames()->item(i)->text();
    row = dialog->Frames()->currentRow();
    ButtonCaptioned(*dialog, "実行中断(&C)")->click();
  });
  timer->start(10);
  std::string out = t.Run("2回\n  Fを、呼ぶ\n  「後」を、表示\nおわり\n*F\n  DEBUG\n  戻る\n");
  EXPECT_EQ(frames, (QStringList{QString::fromUtf8("1:回"), QString::fromUtf8("2:呼ぶ")}));
  EXPECT_EQ(row, 1);
  EXPECT_EQ(out, "");  // 実行中断 ended the run there
  EXPECT_TRUE(t.e.StopFlag);
}

}  // namespace
}  // namespace nokari
