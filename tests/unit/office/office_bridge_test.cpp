// The office helper's line protocol and process handling, against a fake
// helper that answers canned lines (no office suite needed).
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "lib/office/OfficeBridge.h"

namespace nokari::office {
namespace {

using namespace std::chrono_literals;

// --- the protocol ----------------------------------------------------------------

TEST(OfficeProtocolTest, RequestsQuoteWhatJsonMust) {
  EXPECT_EQ(Request("new").Line(), "{\"op\":\"new\"}\n");
  std::string line = Request("set").Int("col", 3).Int("row", -1).Text("value", "a\"b\\c\r\n\t\x01日本").Line();
  EXPECT_EQ(line, "{\"op\":\"set\",\"col\":3,\"row\":-1,\"value\":\"a\\\"b\\\\c\\r\\n\\t\\u0001日本\"}\n");
  // One line whatever the text holds: the helper reads a request a line.
  EXPECT_EQ(line.find('\n'), line.size() - 1);
}

TEST(OfficeProtocolTest, RepliesDecodeStringsNumbersAndFlags) {
  auto r = ParseReply(R"( {"ok": true, "value": "x\"y\\z\/\n\u65e5\ud83d\ude00", "n": -1.5e3, "z": null} )"
                      "\n");
  ASSERT_TRUE(r.has_value());
  EXPECT_TRUE(r->Ok());
  EXPECT_EQ(r->TextOf("value"), "x\"y\\z/\n日\xF0\x9F\x98\x80");
  ASSERT_NE(r->Find("n"), nullptr);
  EXPECT_EQ(r->Find("n")->Type, ReplyField::Number);
  EXPECT_EQ(r->Find("n")->Num, -1500);
  EXPECT_EQ(r->Find("z")->Type, ReplyField::Null);
  EXPECT_EQ(r->TextOf("n"), "");  // not a string
  EXPECT_EQ(r->TextOf("missing"), "");
  // The shortest text of a double reads back as that double.
  EXPECT_EQ(static_cast<double>(ParseReply(R"({"n":0.1})")->Find("n")->Num), 0.1);
  auto failed = ParseReply(R"({"ok":false,"code":"nofile","error":"/x"})");
  ASSERT_TRUE(failed.has_value());
  EXPECT_FALSE(failed->Ok());
  EXPECT_EQ(failed->TextOf("code"), "nofile");
  EXPECT_FALSE(ParseReply("{\"ok\":1}")->Ok());  // only true is true
  EXPECT_TRUE(ParseReply("{}").has_value());
}

TEST(OfficeProtocolTest, LoneSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(ParseReply(R"({"v":"a\ud800b"})")->TextOf("v"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(ParseReply(R"({"v":"\udc00"})")->TextOf("v"), "\xEF\xBF\xBD");
  EXPECT_EQ(ParseReply(R"({"v":"\ud800\u0041"})")->TextOf("v"), "\xEF\xBF\xBD" "A");
}

TEST(OfficeProtocolTest, AnythingButOneFlatObjectIsRefused) {
  for (const char* bad : {"", "ok", "[]", "{", "{\"a\"}", "{\"a\":}", "{\"a\":1,}", "{\"a\":1} x", "{\"a\":{}}",
                          "{\"a\":[1]}", "{\"a\":\"x}", "{\"a\":\"\\q\"}", "{\"a\":\"\\u12\"}", "{\"a\":01x}",
                          "{\"a\":1.}", "{\"a\":-}", "{\"a\":1e}", "{\"a\":tru}", "{\"a\":\"tab\there\"}",
                          "{\"a\":1e999}", "{'a':1}"})
    EXPECT_FALSE(ParseReply(bad).has_value()) << bad;
}

// --- the process -----------------------------------------------------------------

// A fake helper in Python: its first argument says how it behaves.
constexpr const char* kFakeHelper = R"PY(
import json, os, subprocess, sys, time
mode = sys.argv[1]
if mode == "canned":
    replies = sys.argv[2:]
    for i, raw in enumerate(sys.stdin):
        sys.stdout.write(replies[min(i, len(replies) - 1)] + "\n")
        sys.stdout.flush()
elif mode == "echo":
    for raw in sys.stdin.buffer:
        req = json.loads(raw.decode("utf-8"))
        out = json.dumps({"ok": True, "op": req["op"], "value": req.get("value", "")}, ensure_ascii=False)
        sys.stdout.buffer.write(out.encode("utf-8") + b"\n")
        sys.stdout.flush()
elif mode == "die":
    sys.stdin.readline()
    sys.stderr.write("Traceback (most recent call last):\nRuntimeError: the office went away\n")
    sys.exit(3)
elif mode == "hang":
    child = subprocess.Popen(["sleep", "60"])
    open(sys.argv[2], "w").write(str(child.pid))
    sys.stdin.readline()
    time.sleep(60)
elif mode == "quiet":
    for raw in sys.stdin:
        pass
    open(sys.argv[2], "w").write("input closed")
elif mode == "garbage":
    sys.stdin.readline()
    print("Segmentation fault? no: just chatter")
    sys.stdout.flush()
    time.sleep(60)
)PY";

class OfficeBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/nokari-office-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    std::ofstream(dir_ + "/fake.py") << kFakeHelper;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void Start(Bridge& b, std::vector<std::string> args) {
    std::vector<std::string> argv{"/usr/bin/python3", dir_ + "/fake.py"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string why;
    ASSERT_TRUE(b.Start(argv, why)) << why;
  }

  static bool Gone(pid_t pid) {
    // A killed process may linger a moment as a zombie of init.
    for (int i = 0; i < 100; ++i) {
      std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
      std::string text((std::istreambuf_iterator<char>(stat)), {});
      if (text.empty() || text.find(") Z ") != std::string::npos) return true;
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }

  std::string dir_;
};

TEST_F(OfficeBridgeTest, CannedRepliesComeBackInOrder) {
  Bridge b;
  Start(b, {"canned", R"({"ok":true,"number":42})", R"({"ok":false,"code":"nofile","error":"/a/b.xlsx"})"});
  Reply r;
  ASSERT_EQ(b.Call(Request("get").Int("col", 0).Int("row", 0).Line(), 10s, r), Fault::None);
  EXPECT_TRUE(r.Ok());
  EXPECT_EQ(r.Find("number")->Num, 42);
  ASSERT_EQ(b.Call(Request("open").Text("path", "/a/b.xlsx").Line(), 10s, r), Fault::None);
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(r.TextOf("error"), "/a/b.xlsx");
  EXPECT_TRUE(b.Running());
}

TEST_F(OfficeBridgeTest, LargeTextsCrossBothWays) {
  // A megabyte each way: larger than any pipe's buffer, so writing and
  // reading must not wait on each other.
  std::string big;
  while (big.size() < (1u << 20)) big += "表計算\"\\\n0123456789";
  Bridge b;
  Start(b, {"echo"});
  Reply r;
  ASSERT_EQ(b.Call(Request("set").Text("value", big).Line(), 30s, r), Fault::None);
  EXPECT_EQ(r.TextOf("value"), big);
  ASSERT_EQ(b.Call(Request("next").Text("value", "小").Line(), 10s, r), Fault::None);
  EXPECT_EQ(r.TextOf("op"), "next");
  EXPECT_EQ(r.TextOf("value"), "小");
}

TEST_F(OfficeBridgeTest, AHelperThatDiesIsReportedWithItsLastWords) {
  Bridge b;
  Start(b, {"die"});
  Reply r;
  EXPECT_EQ(b.Call(Request("new").Line(), 10s, r), Fault::Died);
  EXPECT_EQ(b.LastEnding().ExitCode, 3);
  EXPECT_EQ(b.LastEnding().Signal, 0);
  EXPECT_EQ(b.LastEnding().LastError, "RuntimeError: the office went away");
  EXPECT_FALSE(b.Running());
  EXPECT_EQ(b.Call(Request("new").Line(), 10s, r), Fault::NotRunning);
}

TEST_F(OfficeBridgeTest, AHelperKilledBetweenRequestsFailsTheNextOneAtOnce) {
  Bridge b;
  Start(b, {"echo"});
  Reply r;
  ASSERT_EQ(b.Call(Request("a").Line(), 10s, r), Fault::None);
  pid_t pid = b.Pid();
  ASSERT_EQ(kill(pid, SIGKILL), 0);
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(b.Call(Request("b").Line(), 30s, r), Fault::Died);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
  EXPECT_EQ(b.LastEnding().Signal, SIGKILL);
  EXPECT_TRUE(Gone(pid));
}

TEST_F(OfficeBridgeTest, AHelperThatHangsIsEndedWithWhatItStarted) {
  Bridge b;
  std::string pidFile = dir_ + "/child.pid";
  Start(b, {"hang", pidFile});
  pid_t pid = b.Pid();
  Reply r;
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(b.Call(Request("new").Line(), 1500ms, r), Fault::TimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
  EXPECT_FALSE(b.Running());
  EXPECT_TRUE(Gone(pid));
  // The grandchild stood for the office suite the helper starts.
  std::ifstream in(pidFile);
  pid_t child = 0;
  in >> child;
  ASSERT_GT(child, 0);
  EXPECT_TRUE(Gone(child));
}

TEST_F(OfficeBridgeTest, ChatterInsteadOfAReplyEndsTheHelper) {
  Bridge b;
  Start(b, {"garbage"});
  pid_t pid = b.Pid();
  Reply r;
  EXPECT_EQ(b.Call(Request("new").Line(), 10s, r), Fault::Malformed);
  EXPECT_FALSE(b.Running());
  EXPECT_TRUE(Gone(pid));
}

TEST_F(OfficeBridgeTest, StoppingClosesTheHelpersInputFirst) {
  std::string marker = dir_ + "/closed";
  {
    Bridge b;
    Start(b, {"quiet", marker});
  }  // the destructor stops it
  std::ifstream in(marker);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, "input closed");
}

TEST_F(OfficeBridgeTest, AProgramThatCannotStartSaysWhy) {
  Bridge b;
  std::string why;
  EXPECT_FALSE(b.Start({dir_ + "/no-such-program"}, why));
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(b.Running());
  Reply r;
  EXPECT_EQ(b.Call(Request("new").Line(), 1s, r), Fault::NotRunning);
}

}  // namespace
}  // namespace nokari::office
