// Declarations of library functions, the numbers crossing into C, and calls
// through libffi into the C library (no engine).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cmath>

#include "lib/dll/Declaration.h"
#include "lib/dll/ForeignCall.h"

namespace nokari::dll {
namespace {

TEST(DllDeclaration, TypeNamesIgnoreCaseAndBlanks) {
  EXPECT_EQ(TypeLetter("int"), 'i');
  EXPECT_EQ(TypeLetter(" DWORD "), 'd');
  EXPECT_EQ(TypeLetter("char *"), 'p');
  EXPECT_EQ(TypeLetter("Word"), 'w');
  EXPECT_EQ(TypeLetter("BOOL"), 'b');
  EXPECT_EQ(TypeLetter("void"), 'v');
  EXPECT_EQ(TypeLetter("double"), '\0');
  EXPECT_EQ(TypeLetter("char"), '\0');
  EXPECT_EQ(TypeLetter(""), '\0');
}

TEST(DllDeclaration, TypedDeclarations) {
  TypedDeclaration d = ParseTyped("int MessageBoxA(int, char*, char*, int)");
  EXPECT_TRUE(d.Ok);
  EXPECT_EQ(d.Function, "MessageBoxA");
  EXPECT_EQ(d.Result, 'i');
  EXPECT_EQ(d.Params, "ippi");
  // No result type: void. void as the parameter list passes nothing.
  d = ParseTyped("f(void)");
  EXPECT_TRUE(d.Ok);
  EXPECT_EQ(d.Result, 'v');
  EXPECT_EQ(d.Params, "v");
  EXPECT_EQ(CountPassed(d.Params), 0u);
  d = ParseTyped("  dword  g( )  ");
  EXPECT_TRUE(d.Ok);
  EXPECT_EQ(d.Function, "g");
  EXPECT_EQ(d.Params, "");
  // The star written against the name belongs to the result type.
  d = ParseTyped("char *getenv(char *)");
  EXPECT_TRUE(d.Ok);
  EXPECT_EQ(d.Function, "getenv");
  EXPECT_EQ(d.Result, 'p');
  EXPECT_EQ(d.Params, "p");
}

TEST(DllDeclaration, UnknownTypesRefuseTheDeclaration) {
  EXPECT_FALSE(ParseTyped("int f(int, double)").Ok);
  EXPECT_FALSE(ParseTyped("long f(int)").Ok);
  EXPECT_FALSE(ParseTyped("int f(int,,int)").Ok);  // an empty type name
  EXPECT_FALSE(ParseTyped("(int)").Ok);            // no function name
  // The letters keep their places, so counts stay right for messages.
  EXPECT_EQ(ParseTyped("int f(int, double, int)").Params.size(), 3u);
}

TEST(DllDeclaration, PlainDeclarations) {
  PlainDeclaration d = ParsePlain("strlen(?を)");
  EXPECT_EQ(d.Function, "strlen");
  EXPECT_EQ(d.ArgSpec, "?を");
  d = ParsePlain("getpid");
  EXPECT_EQ(d.Function, "getpid");
  EXPECT_EQ(d.ArgSpec, "");
  EXPECT_EQ(CountArguments("?と,?を,?で"), 3u);
  EXPECT_EQ(CountArguments(""), 0u);
}

TEST(DllDeclaration, IntegerArgumentsMustFitTheirType) {
  EXPECT_EQ(IntegerArgument('w', 65535), 65535);
  EXPECT_EQ(IntegerArgument('w', 65535.9L), 65535);  // truncated first
  EXPECT_FALSE(IntegerArgument('w', 65536));
  EXPECT_FALSE(IntegerArgument('w', -1));
  EXPECT_EQ(IntegerArgument('w', -0.5L), 0);
  EXPECT_EQ(IntegerArgument('d', 4294967295.0L), 4294967295LL);
  EXPECT_FALSE(IntegerArgument('d', 4294967296.0L));
  EXPECT_FALSE(IntegerArgument('d', -1));
  EXPECT_EQ(IntegerArgument('i', -2147483648.0L), INT32_MIN);
  EXPECT_FALSE(IntegerArgument('i', 2147483648.0L));
  EXPECT_FALSE(IntegerArgument('i', INFINITY));
  EXPECT_FALSE(IntegerArgument('i', NAN));
  // bool: all ones for any number that is not 0 once truncated.
  EXPECT_EQ(IntegerArgument('b', 5), -1);
  EXPECT_EQ(IntegerArgument('b', -1e30L), -1);
  EXPECT_EQ(IntegerArgument('b', 0.5L), 0);
  EXPECT_EQ(IntegerArgument('b', 0), 0);
}

TEST(DllDeclaration, IntegerResults) {
  EXPECT_EQ(IntegerResult('w', 0x12345678u), "22136");
  EXPECT_EQ(IntegerResult('d', 0xFFFFFFFFu), "4294967295");
  EXPECT_EQ(IntegerResult('i', 0xFFFFFFFFu), "-1");
  EXPECT_EQ(IntegerResult('b', 0xFFFFFFFFFFFFFFFFull), "-1");
}

TEST(DllLibraries, Alternatives) {
  EXPECT_EQ(LibraryAlternatives("c.so.6"), std::vector<std::string>{"c.so.6"});
  std::vector<std::string> expected{"x/nk.DLL", "x/nk.so", "x/libnk.so"};
  EXPECT_EQ(LibraryAlternatives("x/nk.DLL"), expected);
}

TEST(DllLibraries, SearchOrder) {
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  std::string folder(exe, n);
  folder.resize(folder.rfind('/'));
  const std::string folders[] = {folder};
  // The loader alone does not look beside this program (asked before the
  // library is loaded: once it is, the loader knows it by name).
  EXPECT_EQ(OpenLibrary("nokaritest.dll", {}), nullptr);
  // The test library lies there (CMake puts it there).
  EXPECT_NE(OpenLibrary("nokaritest.dll", folders), nullptr);
  EXPECT_NE(OpenLibrary(folder + "/libnokaritest.so", {}), nullptr);
  EXPECT_NE(OpenLibrary("libc.so.6", {}), nullptr);
  EXPECT_EQ(OpenLibrary("kernel32", folders), nullptr);
  EXPECT_EQ(OpenLibrary("user32.dll", folders), nullptr);
  EXPECT_EQ(OpenLibrary("", folders), nullptr);
}

TEST(DllCalls, CallsIntoTheCLibrary) {
  void* libc = OpenLibrary("libc.so.6", {});
  ASSERT_NE(libc, nullptr);
  std::vector<CallArgument> args{CallArgument::Text("hello")};
  CallResult r = CallFunction(dlsym(libc, "strlen"), 'i', args);
  ASSERT_EQ(r.Status, CallResult::kOk);
  EXPECT_EQ(IntegerResult('i', r.Integer), "5");
  args = {CallArgument::Number('i', -42)};
  r = CallFunction(dlsym(libc, "abs"), 'i', args);
  EXPECT_EQ(IntegerResult('i', r.Integer), "42");
  // A null char* result reads as "".
  args = {CallArgument::Text("NOKARI_SURELY_UNSET_VARIABLE")};
  r = CallFunction(dlsym(libc, "getenv"), 'p', args);
  ASSERT_EQ(r.Status, CallResult::kOk);
  EXPECT_EQ(r.Text, "");
  // Buffers carry zeroed slack after the text: room to write into.
  args = {CallArgument::Text(""), CallArgument::Number('d', 64), CallArgument::Text("%s-%s"),
          CallArgument::Text("a"), CallArgument::Text("b")};
  r = CallFunction(dlsym(libc, "snprintf"), 'i', args);
  EXPECT_EQ(IntegerResult('i', r.Integer), "3");
  EXPECT_STREQ(args[0].Buffer.data(), "a-b");
  EXPECT_EQ(args[0].Buffer.size(), 1u + 1024u);
}

TEST(DllCalls, FaultsAreCaughtAndTheProcessGoesOn) {
  void* libc = OpenLibrary("libc.so.6", {});
  ASSERT_NE(libc, nullptr);
  struct sigaction before{};
  sigaction(SIGSEGV, nullptr, &before);
  // strlen of an address that is no text: the char* result of a function
  // that returns a small number, read under the trap as well.
  std::vector<CallArgument> args{CallArgument::Number('i', 7)};
  CallResult r = CallFunction(dlsym(libc, "abs"), 'p', args);
  EXPECT_EQ(r.Status, CallResult::kFault);
  // The handlers of before are back: a second call works normally.
  args = {CallArgument::Number('i', -1)};
  r = CallFunction(dlsym(libc, "abs"), 'i', args);
  EXPECT_EQ(r.Status, CallResult::kOk);
  EXPECT_EQ(IntegerResult('i', r.Integer), "1");
  struct sigaction now{};
  sigaction(SIGSEGV, nullptr, &now);
  EXPECT_EQ(reinterpret_cast<void*>(now.sa_handler), reinterpret_cast<void*>(before.sa_handler));
}

TEST(DllCalls, BadSignatures) {
  void* libc = OpenLibrary("libc.so.6", {});
  std::vector<CallArgument> args{CallArgument::Number('v', 0)};
  EXPECT_EQ(CallFunction(dlsym(libc, "abs"), 'i', args).Status, CallResult::kBadSignature);
  args.clear();
  EXPECT_EQ(CallFunction(dlsym(libc, "abs"), 'x', args).Status, CallResult::kBadSignature);
}

}  // namespace
}  // namespace nokari::dll
