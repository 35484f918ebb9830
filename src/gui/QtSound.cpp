#include "gui/QtSound.h"

#include <QApplication>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>
#include <memory>

#include "host/Sound.h"

namespace nokari {
namespace {

class QtSound : public ISoundService {
 public:
  PlayResult Play(const std::string& nativePath, bool loop) override {
    Stop();
    QString suffix = QFileInfo(QString::fromStdString(nativePath)).suffix().toLower();
    if (suffix == "mid" || suffix == "midi" || suffix == "rmi" || suffix == "kar") {
      midi_ = true;
      return programs_.Play(nativePath, loop);
    }
    midi_ = false;
    QMediaPlayer& player = Player();
    player.setSource(QUrl::fromLocalFile(QString::fromStdString(nativePath)));
    player.setLoops(loop ? QMediaPlayer::Infinite : 1);
    player.play();
    return {};
  }
  void Stop() override {
    programs_.Stop();
    if (player_) player_->stop();
  }
  PlayState State() override {
    if (midi_) return programs_.State();
    if (!player_) return PlayState::NotReady;
    switch (player_->mediaStatus()) {
      case QMediaPlayer::NoMedia: return PlayState::NotReady;
      case QMediaPlayer::LoadingMedia: return PlayState::Seeking;
      default: break;
    }
    switch (player_->playbackState()) {
      case QMediaPlayer::PlayingState: return PlayState::Playing;
      case QMediaPlayer::PausedState: return PlayState::Paused;
      default: return PlayState::Stopped;
    }
  }
  void Beep() override { QApplication::beep(); }

 private:
  // Made at the first file it plays: making a player starts the media
  // backend, which a program that never plays should not pay for.
  QMediaPlayer& Player() {
    if (!player_) {
      player_ = std::make_unique<QMediaPlayer>();
      output_ = std::make_unique<QAudioOutput>();
      player_->setAudioOutput(output_.get());
      // A failure to decode shows as a stopped player, as a file that ended.
      QObject::connect(player_.get(), &QMediaPlayer::errorOccurred, player_.get(), [this] { player_->stop(); });
    }
    return *player_;
  }
  std::unique_ptr<QAudioOutput> output_;  // declared first: goes after the player
  std::unique_ptr<QMediaPlayer> player_;
  ProcessSound programs_;
  bool midi_ = false;
};

// Holds the service as a child of its owner.
class SoundHolder : public QObject {
 public:
  explicit SoundHolder(QObject& owner) : QObject(&owner) { setObjectName(kName); }
  QtSound Sound;
  static constexpr const char* kName = "nokariSound";
};

}  // namespace

ISoundService* QtSoundOf(QObject& owner) {
  auto* holder = owner.findChild<SoundHolder*>(SoundHolder::kName, Qt::FindDirectChildrenOnly);
  if (!holder) holder = new SoundHolder(owner);
  return &holder->Sound;
}

}  // namespace nokari
