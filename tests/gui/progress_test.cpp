// The progress window of window mode: its caption, size and parts, the
// stop button enabled only with an action, and the bar following bytes.
#include <gtest/gtest.h>

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <cstdlib>

#include "core/Encoding.h"
#include "gui/QtProgress.h"

namespace nokari {
namespace {

TEST(QtProgress, OpensCentredWithItsParts) {
  QWidget owner;
  QtProgress progress(owner);
  EXPECT_EQ(progress.Dialog(), nullptr);  // made at the first Open
  progress.Close();                       // harmless before it
  progress.Open(FromUtf8("\"http://h/\" よりHTTPデータ取得中"), nullptr);
  QDialog* dialog = progress.Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("進行度表示"));
  EXPECT_EQ(dialog->size(), QSize(318, 47));
  EXPECT_EQ(progress.Label()->text(), QString::fromUtf8("\"http://h/\" よりHTTPデータ取得中"));
  EXPECT_EQ(progress.StopButton()->text(), QString::fromUtf8("中止"));
  EXPECT_FALSE(progress.StopButton()->isEnabled());
  EXPECT_EQ(progress.Bar()->value(), 0);
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE(std::abs(dialog->frameGeometry().center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(dialog->frameGeometry().center().y() - screen.center().y()), 1);
  // Every part lies inside the client area.
  for (QWidget* part : {static_cast<QWidget*>(progress.Bar()), static_cast<QWidget*>(progress.Label()),
                        static_cast<QWidget*>(progress.StopButton())})
    EXPECT_TRUE(QRect(0, 0, 318, 47).contains(part->geometry())) << part->metaObject()->className();
  progress.Close();
  EXPECT_FALSE(dialog->isVisible());
}

TEST(QtProgress, BarFollowsTheBytes) {
  QWidget owner;
  QtProgress progress(owner);
  progress.Open("x", nullptr);
  progress.SetPosition(50, 200);
  EXPECT_EQ(progress.Bar()->value(), 25);
  progress.SetPosition(10, 0);  // unknown total: the bar stays
  EXPECT_EQ(progress.Bar()->value(), 25);
  progress.SetPosition(300, 200);
  EXPECT_EQ(progress.Bar()->value(), 100);
  progress.SetLabel(FromUtf8("完了"));
  EXPECT_EQ(progress.Label()->text(), QString::fromUtf8("完了"));
  // A new transfer starts from an empty bar.
  progress.Open("y", nullptr);
  EXPECT_EQ(progress.Bar()->value(), 0);
}

TEST(QtProgress, StopButtonRunsTheActionWhileOpen) {
  QWidget owner;
  QtProgress progress(owner);
  int stops = 0;
  progress.Open("x", [&stops] { ++stops; });
  ASSERT_TRUE(progress.StopButton()->isEnabled());
  progress.StopButton()->click();
  EXPECT_EQ(stops, 1);
  progress.Close();
  EXPECT_FALSE(progress.StopButton()->isEnabled());
  progress.StopButton()->click();  // disabled: nothing
  EXPECT_EQ(stops, 1);
  progress.Open("y", nullptr);
  EXPECT_FALSE(progress.StopButton()->isEnabled());
}

TEST(QtProgress, OneServicePerWindow) {
  QWidget owner;
  IProgressService* first = QtProgressOf(owner);
  EXPECT_EQ(QtProgressOf(owner), first);
  QWidget other;
  EXPECT_NE(QtProgressOf(other), first);
}

}  // namespace
}  // namespace nokari
