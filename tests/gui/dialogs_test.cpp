// The Qt host's own dialog windows, answered by a robot: a timer finds the
// modal window once it is up and works its widgets as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "core/Encoding.h"
#include "gui/QtDialogs.h"
#include "gui/QtHost.h"

namespace nokari {
namespace {

std::string S(const char* utf8) { return FromUtf8(utf8); }

class DialogRobot : public ::testing::Test {
 protected:
  // Runs `act` on the modal window as soon as one is shown (polling, since
  // the dialog's exec() starts its own loop); a window that never comes
  // fails the test instead of hanging it.
  void WhenShown(std::function<void(QWidget&)> act) {
    auto* timer = new QTimer(&window_);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, tries, act = std::move(act)] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->isVisible()) {
        if (++*tries > 200) {
          ADD_FAILURE() << "no dialog came";
          timer->deleteLater();
        }
        return;
      }
      timer->stop();
      timer->deleteLater();
      act(*modal);
    });
    timer->start(10);
  }
  static void Click(QWidget& dialog, const char* name) {
    auto* button = dialog.findChild<QPushButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    button->click();
  }
  static QPushButton* ButtonCaptioned(QWidget& dialog, const QString& caption) {
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
      if (b->text() == caption) return b;
    return nullptr;
  }

  TfrmNoka window_;
  QtDialogs dialogs_{&window_};
};

TEST_F(DialogRobot, InputAnswersTheEditAndCancelsByButtonOrCloseBox) {
  WhenShown([](QWidget& d) {
    auto* edit = d.findChild<QLineEdit*>("edit");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), QString::fromUtf8("初め"));
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("のかり"));
    EXPECT_GE(d.width(), 300);
    edit->setText(QString::fromUtf8("答え"));
    Click(d, "ok");
  });
  EXPECT_EQ(dialogs_.Input(S("名前は？"), S("初め")), S("答え"));

  WhenShown([](QWidget& d) { Click(d, "cancel"); });
  EXPECT_FALSE(dialogs_.Input("q", "x"));
  // The close box: the window starts cancelled.
  WhenShown([](QWidget& d) { d.close(); });
  EXPECT_FALSE(dialogs_.Input("q", "x"));
}

TEST_F(DialogRobot, InputGrowsWithALongPrompt) {
  std::string prompt(200, 'W');
  WhenShown([](QWidget& d) {
    auto* label = d.findChild<QLabel*>("label");
    auto* edit = d.findChild<QLineEdit*>("edit");
    ASSERT_TRUE(label && edit);
    EXPECT_EQ(d.width(), label->width() + 16);
    EXPECT_GT(edit->y(), label->geometry().bottom());
    EXPECT_EQ(edit->width(), d.width() - 16);
    Click(d, "ok");
  });
  EXPECT_EQ(dialogs_.Input(prompt, ""), "");
}

TEST_F(DialogRobot, ListClickCopiesTheItemAndFixedListsKeepTheirField) {
  WhenShown([](QWidget& d) {
    auto* list = d.findChild<QListWidget*>("choices");
    auto* result = d.findChild<QLineEdit*>("result");
    ASSERT_TRUE(list && result);
    ASSERT_EQ(list->count(), 3);
    EXPECT_TRUE(result->isReadOnly());
    EXPECT_EQ(result->text(), "start");
    list->setCurrentRow(1);
    EXPECT_EQ(result->text(), QString::fromUtf8("青"));
    Click(d, "ok");
  });
  EXPECT_EQ(dialogs_.Choose("pick", {S("赤"), S("青"), S("緑")}, "start", false), S("青"));

  // Editable: whatever the field holds; cancel answers nothing.
  WhenShown([](QWidget& d) {
    auto* result = d.findChild<QLineEdit*>("result");
    ASSERT_NE(result, nullptr);
    EXPECT_FALSE(result->isReadOnly());
    result->setText("typed");
    Click(d, "ok");
  });
  EXPECT_EQ(dialogs_.Choose("pick", {"a", "b"}, "", true), "typed");
  WhenShown([](QWidget& d) { Click(d, "cancel"); });
  EXPECT_FALSE(dialogs_.Choose("pick", {"a"}, "", true));
}

TEST_F(DialogRobot, ListTakesTenThousandChoices) {
  std::vector<std::string> items;
  for (int i = 0; i < 10000; ++i) items.push_back("item" + std::to_string(i));
  WhenShown([](QWidget& d) {
    auto* list = d.findChild<QListWidget*>("choices");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 10000);
    list->setCurrentRow(9999);
    Click(d, "ok");
  });
  EXPECT_EQ(dialogs_.Choose("many", items, "", false), "item9999");
}

TEST_F(DialogRobot, ButtonsAnswerTheirCaptionInARowOrAColumn) {
  WhenShown([](QWidget& d) {
    QPushButton* no = ButtonCaptioned(d, "no");
    QPushButton* yes = ButtonCaptioned(d, "yes");
    ASSERT_TRUE(no && yes);
    // Two short captions fit 80 % of the main window: one row.
    EXPECT_EQ(no->y(), yes->y());
    EXPECT_GT(no->x(), yes->x());
    no->click();
  });
  EXPECT_EQ(dialogs_.ChooseButton("which?", {"yes", "no"}), "no");

  std::vector<std::string> wide;
  for (int i = 0; i < 8; ++i) wide.push_back(std::string(30, static_cast<char>('a' + i)));
  WhenShown([&wide](QWidget& d) {
    QPushButton* first = ButtonCaptioned(d, QString::fromStdString(wide[0]));
    QPushButton* last = ButtonCaptioned(d, QString::fromStdString(wide[7]));
    ASSERT_TRUE(first && last);
    EXPECT_EQ(first->x(), last->x());
    EXPECT_GT(last->y(), first->y());
    EXPECT_LE(last->geometry().bottom(), d.height());
    last->click();
  });
  EXPECT_EQ(dialogs_.ChooseButton("which?", wide), wide[7]);

  // Closed without a click: no answer.
  WhenShown([](QWidget& d) { d.close(); });
  EXPECT_FALSE(dialogs_.ChooseButton("which?", {"a"}));
}

TEST_F(DialogRobot, MemoAnswersOnCloseAndCancelsOnlyByItsButton) {
  WhenShown([](QWidget& d) {
    auto* memo = d.findChild<QPlainTextEdit*>("memo");
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->toPlainText(), "one\ntwo");
    memo->appendPlainText("three");
    Click(d, "ok");
  });
  EXPECT_EQ(dialogs_.Memo("one\r\ntwo"), "one\r\ntwo\r\nthree");

  WhenShown([](QWidget& d) { d.close(); });
  EXPECT_EQ(dialogs_.Memo("kept"), "kept");

  WhenShown([](QWidget& d) { Click(d, "cancel"); });
  EXPECT_FALSE(dialogs_.Memo("dropped"));
}

TEST_F(DialogRobot, MessageShowsWhatFitsTheScreen) {
  WhenShown([](QWidget& d) {
    auto* label = d.findChild<QLabel*>("label");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "hello\nworld");
    EXPECT_GE(d.width(), 100);
    Click(d, "ok");
  });
  dialogs_.Say("hello\r\nworld");

  std::string many;
  for (int i = 0; i < 2000; ++i) many += "line\r\n";
  WhenShown([](QWidget& d) {
    auto* label = d.findChild<QLabel*>("label");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->text().endsWith("\n..."));
    EXPECT_LT(label->text().count('\n'), 2000);
    Click(d, "ok");
  });
  dialogs_.Say(many);
}

TEST(QtFileFilters, PatternsInQtsForm) {
  QStringList filters = QtFileFilters({{S("テキスト"), "*.txt;*.log"}, {S("全て(*.*)"), "*.*"}});
  ASSERT_EQ(filters.size(), 2);
  EXPECT_EQ(filters[0], QString::fromUtf8("テキスト (*.txt *.log)"));
  EXPECT_EQ(filters[1], QString::fromUtf8("全て(*.*) (*)"));
}

TEST_F(DialogRobot, OwnWindowsTakeTheScriptsTextSettings) {
  QFont big(QStringLiteral("IPAGothic"));
  big.setPixelSize(32);
  big.setBold(true);
  QtDialogs::SetOwnFont(big, Qt::red);
  WhenShown([](QWidget& d) {
    QLabel* label = d.findChildren<QLabel*>().value(0);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->font().pixelSize(), 32);
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::red));
    auto* edit = d.findChild<QLineEdit*>("edit");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->font().pixelSize(), 32);
    Click(d, "ok");
  });
  dialogs_.Input(S("大きな字で"), S("x"));
  QFont plain;
  QtDialogs::SetOwnFont(plain, Qt::black);
}

TEST_F(DialogRobot, TypingInTheListSelectsTheFirstItemStartingWithIt) {
  WhenShown([](QWidget& d) {
    auto* list = d.findChild<QListWidget*>("choices");
    ASSERT_NE(list, nullptr);
    QTest::keyClick(list, Qt::Key_B);
    ASSERT_EQ(list->selectedItems().size(), 1);
    EXPECT_EQ(list->selectedItems().first()->text(), QStringLiteral("banana"));
    QTest::keyClick(list, Qt::Key_Z);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    QTest::keyClick(list, Qt::Key_B);
    Click(d, "ok");
  });
  EXPECT_EQ(dialogs_.Choose(S("果物"), {"apple", "banana", "blueberry"}, "", false).value_or("?"), "banana");
}

}  // namespace
}  // namespace nokari
