// タブページ: pages with captions, none at first. A part put on it goes
// onto the current page, or onto the control itself while it has none.
#include <QTabWidget>

#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class TabPart : public QtPart<QTabWidget> {
 public:
  TabPart() : QtPart(new QTabWidget) {
    w()->resize(289, 193);
    ReportChange(PageState());  // notes the start (no sink yet)
    QObject::connect(w(), &QTabWidget::currentChanged, Context(), [this] { ReportChange(PageState()); });
  }
  QWidget* ChildArea() override { return w()->currentWidget() ? w()->currentWidget() : w(); }

  std::vector<std::string> TabCaptions() const override {
    std::vector<std::string> captions;
    for (int i = 0; i < w()->count(); ++i) captions.push_back(FromQ(w()->tabText(i)));
    return captions;
  }
  // Existing pages are re-captioned in order, missing ones added, surplus
  // ones removed (parts standing on a removed page are taken off it first,
  // as their records outlive the page).
  void SetTabCaptions(const std::vector<std::string>& captions) override {
    // Removing pages one by one moves the current page through each.
    ChangeQuietly([&] { Rebuild(captions); });
    ReportChange(PageState());
  }
  void AddTab(const std::string& caption) override {
    std::vector<std::string> captions = TabCaptions();
    captions.push_back(caption);
    SetTabCaptions(captions);
  }
  TabSide TabPosition() const override {
    switch (w()->tabPosition()) {
      case QTabWidget::South: return TabSide::Bottom;
      case QTabWidget::West: return TabSide::Left;
      case QTabWidget::East: return TabSide::Right;
      default: return TabSide::Top;
    }
  }
  void SetTabPosition(TabSide side) override {
    static constexpr QTabWidget::TabPosition kPlaces[] = {QTabWidget::North, QTabWidget::South, QTabWidget::West,
                                                          QTabWidget::East};
    w()->setTabPosition(kPlaces[static_cast<int>(side)]);
  }
  int Value() const override { return w()->currentIndex(); }
  void SetValue(int n) override { w()->setCurrentIndex(n); }

 private:
  QString PageState() const { return QString::number(w()->currentIndex()); }
  void Rebuild(const std::vector<std::string>& captions) {
    int wanted = static_cast<int>(captions.size());
    while (w()->count() > wanted) {
      QWidget* page = w()->widget(w()->count() - 1);
      w()->removeTab(w()->count() - 1);
      ReleaseParts(page);
      delete page;
    }
    for (int i = 0; i < wanted; ++i) {
      if (i < w()->count()) {
        w()->setTabText(i, Q(captions[i]));
        continue;
      }
      auto* page = new QWidget;
      page->setMouseTracking(true);
      w()->addTab(page, Q(captions[i]));
    }
  }
};

}  // namespace

std::unique_ptr<QtPartBase> MakeTabPart() { return std::make_unique<TabPart>(); }

}  // namespace nokari
