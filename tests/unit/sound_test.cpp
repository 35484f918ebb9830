// The sound commands against the recording backend, the MCI subset, the
// text-music library's messages and the player programs' choice.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <cstdlib>
#include <fstream>

#include "TestHost.h"
#include "host/Sound.h"
#include "lib/file/FileOps.h"
#include "lib/sound/Mci.h"

namespace nokari::test {
namespace {

class SoundTest : public ::testing::Test {
 protected:
  RecordingSound sound;
  testing::TestEngine t;
  std::string dir;

  SoundTest() {
    t.e.Services.Sound = &sound;
    std::string tmpl = "/tmp/nokari_sound_XXXXXX";
    dir = mkdtemp(tmpl.data());
    std::ofstream(dir + "/a.wav") << "RIFF";
    std::ofstream(dir + "/b.mid") << "MThd";
  }
  ~SoundTest() override { RemoveTree(dir); }

  std::string Run(const std::string& program) {
    size_t before = t.host.Output.size();
    t.Run(program);
    return t.host.Output.substr(before);
  }
  bool ErrorHas(const std::string& text) const { return t.host.Errors.find(text) != std::string::npos; }
};

TEST_F(SoundTest, PlayStopAndState) {
  std::string out = Run("演奏状態\nそれを、表示\n"
                        "「" + dir + "/a.wav」を、演奏\n演奏状態\nそれを、表示\n"
                        "演奏停止\n演奏状態\nそれを、表示\n"
                        "演奏繰り返しは、1\n「" + dir + "/b.mid」を、演奏\n"
                        "演奏繰り返しは、0\n「" + dir + "/b.mid」を、繰り返し演奏\n"
                        "BEEP\n");
  ASSERT_EQ(t.host.Errors, "");
  EXPECT_EQ(out, "未設定\n演奏中\n停止中\n");
  EXPECT_EQ(sound.Calls, (std::vector<std::string>{"play " + dir + "/a.wav", "stop", "loop " + dir + "/b.mid",
                                                   "loop " + dir + "/b.mid", "beep"}));
}

TEST_F(SoundTest, OneRepeatRuleForEveryKindOfFile) {
  for (const char* flag : {"2", "-1", "1"}) {
    sound.Calls.clear();
    Run(std::string("演奏繰り返しは、") + flag + "\n「" + dir + "/a.wav」を、演奏\n「" + dir + "/b.mid」を、演奏\n");
    EXPECT_EQ(sound.Calls, (std::vector<std::string>{"loop " + dir + "/a.wav", "loop " + dir + "/b.mid"})) << flag;
  }
}

TEST_F(SoundTest, MissingFilesAndFolders) {
  Run("「" + dir + "/none.wav」を、演奏\n");
  EXPECT_TRUE(ErrorHas("ファイル\"" + dir + "/none.wav\"が、ありません。")) << t.host.Errors;
  t.host.Errors.clear();
  Run("「" + dir + "」を、演奏\n");
  EXPECT_TRUE(ErrorHas("が、ありません。")) << t.host.Errors;
  EXPECT_TRUE(sound.Calls.empty());
}

TEST_F(SoundTest, MciSubset) {
  std::string out = Run("『open \"" + dir + "/a.wav\" alias bgm』を、MCI送信\n「[{それ}]」を、表示\n"
                        "「play BGM repeat」を、MCI送信\n"
                        "「status bgm mode」を、MCI送信\nそれを、表示\n"
                        "「stop bgm」を、MCI送信\n「status bgm mode」を、MCI送信\nそれを、表示\n"
                        "「close bgm」を、MCI送信\n「play bgm」を、MCI送信\nそれを、表示\n"
                        "「set cdaudio door open」を、MCI送信\nそれを、表示\n"
                        "「open " + dir + "/none.wav」を、MCI送信\nそれを、表示\n");
  ASSERT_EQ(t.host.Errors, "");
  EXPECT_EQ(out, "[]\nplaying\nstopped\nMCIエラー:play bgm\nMCIエラー:set cdaudio door open\n"
                 "MCIエラー:ファイル\"" + dir + "/none.wav\"が、ありません。\n");
  // close after stop: the device plays no more, nothing to stop
  EXPECT_EQ(sound.Calls, (std::vector<std::string>{"loop " + dir + "/a.wav", "stop"}));
}

TEST(Mci, WordsAndDevices) {
  EXPECT_EQ(sound::MciWords("  open \"a b.wav\"  type waveaudio alias x"),
            (std::vector<std::string>{"open", "a b.wav", "type", "waveaudio", "alias", "x"}));
  sound::MciDevices devices;
  EXPECT_EQ(sound::ReadMci("open a.mid", devices).What, sound::MciAction::Open);
  sound::MciAction play = sound::ReadMci("PLAY A.MID", devices);
  EXPECT_EQ(play.What, sound::MciAction::Play);
  EXPECT_EQ(play.File, "a.mid");
  EXPECT_EQ(sound::ReadMci("play a.mid from 0", devices).What, sound::MciAction::Error);
  EXPECT_EQ(sound::ReadMci("status a.mid length", devices).What, sound::MciAction::Error);
  EXPECT_EQ(sound::ReadMci("open", devices).What, sound::MciAction::Error);
  EXPECT_EQ(sound::ReadMci("close all", devices).What, sound::MciAction::Close);
  EXPECT_EQ(sound::ReadMci("stop a.mid", devices).What, sound::MciAction::Error);
}

// Sets an environment variable for one test.
struct EnvSet {
  EnvSet(const char* name, const char* value) : name_(name) { setenv(name, value, 1); }
  ~EnvSet() { unsetenv(name_); }
  const char* name_;
};

TEST_F(SoundTest, TextMusicLibraryMessages) {
  {
    EnvSet lib("NOKARI_MML_LIBRARY", "/nonexistent/libnone.so");
    Run("「cde」を、MML演奏\n");
    EXPECT_TRUE(ErrorHas("dTorumo.dllのエラー。dTorumo.dllが見つかりません。テキスト音楽「トルモ」のページでインストールしてください。"))
        << t.host.Errors;
  }
  t.host.Errors.clear();
  {
    // A library that loads but has no MMLtoMIDI.
    EnvSet lib("NOKARI_MML_LIBRARY", "libm.so.6");
    Run("「cde」を、MML演奏\n");
    EXPECT_TRUE(ErrorHas("dTorumo.dllのエラー。dTorumo.dllが壊れています。")) << t.host.Errors;
  }
  EXPECT_TRUE(sound.Calls.empty());
}

TEST(ProcessSound, PlayerChoice) {
  auto only = [](std::initializer_list<const char*> programs) {
    return [programs](const std::string& p) {
      for (const char* q : programs)
        if (p == q) return true;
      return false;
    };
  };
  PlayFailure why;
  EXPECT_EQ(ProcessSound::CommandFor("/x/A.WAV", only({"aplay", "paplay"}), why),
            (std::vector<std::string>{"paplay", "/x/A.WAV"}));
  EXPECT_EQ(ProcessSound::CommandFor("/x/a.wav", only({"aplay"}), why),
            (std::vector<std::string>{"aplay", "-q", "/x/a.wav"}));
  EXPECT_EQ(ProcessSound::CommandFor("/x/a.mp3", only({"paplay", "mpg123"}), why),
            (std::vector<std::string>{"mpg123", "-q", "/x/a.mp3"}));
  EXPECT_TRUE(ProcessSound::CommandFor("/x/a.mp3", only({"paplay", "aplay"}), why).empty());
  EXPECT_EQ(why, PlayFailure::NoPlayer);
  EXPECT_EQ(ProcessSound::CommandFor("/x/a.mid", only({"timidity"}), why),
            (std::vector<std::string>{"timidity", "-id", "/x/a.mid"}));
  // MIDI without a synthesizer: the player's own failure, whatever else
  // is installed.
  EXPECT_TRUE(ProcessSound::CommandFor("/x.d/a.MID", only({"paplay", "ffplay"}), why).empty());
  EXPECT_EQ(why, PlayFailure::NoSynth);
  EXPECT_EQ(ProcessSound::CommandFor("/x.d/noext", only({"ffplay"}), why).front(), "ffplay");
}

TEST_F(SoundTest, NoSynthIsTheMediaPlayersFailure) {
  // The player programs' backend on a PATH without any player.
  ProcessSound programs;
  t.e.Services.Sound = &programs;
  const char* old = getenv("PATH");
  std::string saved = old ? old : "";
  setenv("PATH", dir.c_str(), 1);
  Run("「" + dir + "/b.mid」を、演奏\n");
  setenv("PATH", saved.c_str(), 1);
  EXPECT_TRUE(ErrorHas("メディアプレーヤーのエラー。\"" + dir + "/b.mid\"を演奏できません。MIDIを鳴らす音源")) << t.host.Errors;
  EXPECT_EQ(programs.State(), PlayState::NotReady);
}

TEST(RecordingSound, WritesItsLog) {
  std::string tmpl = "/tmp/nokari_soundlog_XXXXXX";
  int fd = mkstemp(tmpl.data());
  close(fd);
  {
    RecordingSound sound(tmpl);
    sound.Play("/a.wav", false);
    sound.Stop();
    sound.Beep();
  }
  std::string log;
  ReadWholeFile(tmpl, log);
  unlink(tmpl.c_str());
  EXPECT_EQ(log, "play /a.wav\nstop\nbeep\n");
}

}  // namespace
}  // namespace nokari::test

namespace nokari::test {
namespace {

// The player programs for real, with a stand-in "paplay" that notes each
// start in a file: a repeated file starts again, a stop ends it for good.
TEST(ProcessSound, RepeatsUntilStoppedAndReapsItsChildren) {
  std::string tmpl = "/tmp/nokari_player_XXXXXX";
  std::string dir = mkdtemp(tmpl.data());
  std::string player = dir + "/paplay";
  std::ofstream(player) << "#!/bin/sh\necho started >> \"" << dir << "/log\"\nsleep 0.05\n";
  chmod(player.c_str(), 0755);
  std::ofstream(dir + "/a.wav") << "RIFF";
  const char* old = getenv("PATH");
  std::string saved = old ? old : "";
  setenv("PATH", (dir + ":/usr/bin:/bin").c_str(), 1);
  {
    ProcessSound sound;
    EXPECT_EQ(sound.State(), PlayState::NotReady);
    ASSERT_TRUE(sound.Play(dir + "/a.wav", true).Ok());
    EXPECT_EQ(sound.State(), PlayState::Playing);
    usleep(400 * 1000);
    EXPECT_EQ(sound.State(), PlayState::Playing);
    sound.Stop();
    EXPECT_EQ(sound.State(), PlayState::Stopped);
    std::string log;
    ReadWholeFile(dir + "/log", log);
    EXPECT_GE(std::count(log.begin(), log.end(), '\n'), 3) << log;
    usleep(200 * 1000);
    std::string after;
    ReadWholeFile(dir + "/log", after);
    EXPECT_EQ(after, log) << "nothing starts after the stop";
    // Once: it ends by itself and is reaped.
    ASSERT_TRUE(sound.Play(dir + "/a.wav", false).Ok());
    for (int i = 0; i < 100 && sound.State() == PlayState::Playing; ++i) usleep(20 * 1000);
    EXPECT_EQ(sound.State(), PlayState::Stopped);
  }
  setenv("PATH", saved.c_str(), 1);
  RemoveTree(dir);
}

}  // namespace
}  // namespace nokari::test
