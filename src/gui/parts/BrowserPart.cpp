// ブラウザ: a stand-in for a web view that needs no network: a local file
// (a path or a file: URL) is shown, any other address is shown as text.
// The location reads back as it was given.
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
    // A link followed by the user becomes the location.
    QObject::connect(w(), &QTextBrowser::sourceChanged, w(), [this](const QUrl& url) {
      if (!navigating_) url_ = FromQ(url.isLocalFile() ? url.toLocalFile() : url.toString());
    });
  }
  std::string Url() const override { return url_; }
  void Navigate(const std::string& url) override {
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
  std::string Text() const override { return Url(); }

 private:
  std::string url_;
  bool navigating_ = false;
};

}  // namespace

std::unique_ptr<QtPartBase> MakeBrowserPart() { return std::make_unique<BrowserPart>(); }

}  // namespace nokari
