// The window host's sound when NOKARI_SOUND=qt asks for it: Qt
// Multimedia's media player, for every file it decodes. MIDI files it cannot play go to the player programs
// (host/Sound.h), which need a synthesizer installed.
#pragma once
#include "core/Sound.h"

class QObject;

namespace nokari {

// The media player's sound service, made the first time and owned by
// `owner` (the main window), so it goes while the application still
// stands. Built only with Qt Multimedia (NOKARI_WITH_QT_MULTIMEDIA).
ISoundService* QtSoundOf(QObject& owner);

}  // namespace nokari
