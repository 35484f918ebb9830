// ブラウザ: a stand-in for a web view that needs no network: a local file
// (a path or a file: URL) is shown, any other address is shown as text.
// The location reads back as it was given. A link the user follows is
// reported first (slot 1 with its address), and the sink may refuse it.
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

#include "gui/QtText.h"
#include "gui/parts/PartKinds.h"

namespace nokari {
namespace {

class BrowserPart : public QtPart<QTextBrowser> {
 public:
  BrowserPart() : QtPart(new QTextBrowser) {
    w()->resize(300, 150);
    w()->setOpenExternalLinks(false);
    w()->setOpenLinks(false);  // every link comes here first
    clickFromMouse_ = false;   // its click is the link, never the mouse
    QObject::connect(w(), &QTextBrowser::anchorClicked, Context(), [this](const QUrl& link) { Follow(link); });
    // Going back and forth by keys moves the location too.
    QObject::connect(w(), &QTextBrowser::sourceChanged, Context(), [this](const QUrl& url) {
      if (!navigating_) url_ = FromQ(url.isLocalFile() ? url.toLocalFile() : url.toString());
    });
  }
  std::string Url() const override { return url_; }
  // Going somewhere new drops the places ahead, as in any browser.
  void Navigate(const std::string& url) override {
    history_.resize(at_ + 1);
    history_.push_back(url);
    at_ = static_cast<int>(history_.size()) - 1;
    Show(url);
  }
  void GoBack() override {
    if (at_ > 0) Show(history_[--at_]);
  }
  void GoForward() override {
    if (at_ + 1 < static_cast<int>(history_.size())) Show(history_[++at_]);
  }
  std::string Text() const override { return Url(); }

 private:
  void Show(const std::string& url) {
    QString text = Q(url);
    QUrl asUrl(text);
    QString local = asUrl.isLocalFile() ? asUrl.toLocalFile() : text;
    navigating_ = true;
    if (!text.isEmpty() && QFileInfo(local).isFile())
      w()->setSource(QUrl::fromLocalFile(QFileInfo(local).absoluteFilePath()));
    else
      w()->setPlainText(text);
    navigating_ = false;
    url_ = url;
  }
  void Follow(const QUrl& link) {
    bool inPage = link.toString().startsWith('#');
    QUrl url = w()->source().resolved(link);
    PartEvent event;
    event.Slot = kClickSlot;
    event.Url = inPage ? FromQ(link.toString()) : FromQ(url.isLocalFile() ? url.toLocalFile() : url.toString());
    std::weak_ptr<char> life = Life();
    bool allowed = Report(event);
    if (life.expired() || !allowed) return;
    if (inPage)
      w()->scrollToAnchor(link.fragment());
    else
      Navigate(event.Url);
  }
  std::string url_;
  bool navigating_ = false;
  std::vector<std::string> history_;  // every place shown by Navigate, oldest first
  int at_ = -1;                       // where in it the browser stands
};

}  // namespace

std::unique_ptr<QtPartBase> MakeBrowserPart() { return std::make_unique<BrowserPart>(); }

}  // namespace nokari
