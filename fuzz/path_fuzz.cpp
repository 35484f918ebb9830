// The containment check of the security policy. A fixed folder tree with
// links (made once per process in the private folder) is the playground:
//
//   <root>/prog            the program folder (母艦のパス), the current folder
//          prog/sub/       sub/deep.lnk -> ../../outside, sub/up2.lnk -> ../..
//          prog/in.lnk -> sub            prog/self.lnk -> .
//          prog/up.lnk -> ..             prog/out.lnk -> ../outside
//          prog/abs.lnk -> <root>/outside (absolute)
//          prog/dangle.lnk -> ../outside/new.txt (missing target, outside)
//          prog/dangle_in.lnk -> sub/new.txt     (missing target, inside)
//          prog/far.lnk -> ../nothere/deeper     (missing folders, outside)
//          prog/loop.lnk -> loop.lnk             prog/file.txt
//   <root>/outside/back.lnk -> ../prog           <root>/outside/file.txt
//   <root>/progx/           (shares the program folder's name as a prefix)
//   <root>/prog.lnk -> prog
//
// The input is a CP932 name; "%R" in it stands for <root>. The property:
// when the policy calls a name inside the program folder (InsideFolder, and
// ChangeRefused letting a change through without asking), the place a change
// to that name would reach is inside it. That place is worked out here
// independently, the way the system walks a path while creating what is
// missing: component by component, every link followed (a link whose target
// is missing still leads there), a missing component taken as a folder that
// will be made, and ".." taken from the folder actually reached.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <vector>

#include "FuzzCommon.h"
#include "Targets.h"
#include "host/Security.h"
#include "lib/path/Path.h"

using namespace nokari;

namespace {

void Link(const std::string& target, const std::string& at) {
  if (symlink(target.c_str(), at.c_str()) != 0) {
    perror(at.c_str());
    abort();
  }
}

void Touch(const std::string& path) {
  FILE* f = fopen(path.c_str(), "w");
  if (!f) abort();
  fclose(f);
}

void MakeTree(const std::string& root) {
  const std::string prog = root + "/prog";
  std::filesystem::create_directories(prog + "/sub");
  std::filesystem::create_directories(root + "/outside");
  std::filesystem::create_directories(root + "/progx");
  Link("../../outside", prog + "/sub/deep.lnk");
  Link("../..", prog + "/sub/up2.lnk");
  Link("sub", prog + "/in.lnk");
  Link(".", prog + "/self.lnk");
  Link("..", prog + "/up.lnk");
  Link("../outside", prog + "/out.lnk");
  Link(root + "/outside", prog + "/abs.lnk");
  Link("../outside/new.txt", prog + "/dangle.lnk");
  Link("sub/new.txt", prog + "/dangle_in.lnk");
  Link("../nothere/deeper", prog + "/far.lnk");
  Link("loop.lnk", prog + "/loop.lnk");
  Link("../prog", root + "/outside/back.lnk");
  Link("prog", root + "/prog.lnk");
  Touch(prog + "/file.txt");
  Touch(root + "/outside/file.txt");
}

std::deque<std::string> Split(const std::string& path) {
  std::deque<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    if (slash > start) parts.emplace_back(path, start, slash - start);
    start = slash + 1;
  }
  return parts;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

// Where a change to `native` would land; false when no change could happen
// there (a link loop).
bool Reach(const std::string& native, std::string& out) {
  std::vector<std::string> at;
  if (native.empty() || native[0] != '/') {
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return false;
    for (auto& p : Split(cwd)) at.push_back(p);
  }
  std::deque<std::string> todo = Split(native);
  int links = 0;
  while (!todo.empty()) {
    std::string part = std::move(todo.front());
    todo.pop_front();
    if (part == ".") continue;
    if (part == "..") {
      if (!at.empty()) at.pop_back();
      continue;
    }
    std::string here = Join(at) + (at.empty() ? "" : "/") + part;
    struct stat st;
    if (lstat(here.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      if (++links > 40) return false;
      char buf[PATH_MAX];
      ssize_t n = readlink(here.c_str(), buf, sizeof buf - 1);
      if (n < 0) return false;
      std::string target(buf, n);
      if (!target.empty() && target[0] == '/') at.clear();
      auto parts = Split(target);
      todo.insert(todo.begin(), parts.begin(), parts.end());
      continue;
    }
    at.push_back(part);
  }
  out = Join(at);
  return true;
}

bool StrictlyInside(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
         path[folder.size()] == '/';
}

struct Playground {
  std::string Root, Prog;
  fuzz::FuzzEngine Engine{1};  // asks before changes outside; the host refuses
  Playground() : Root(fuzz::PrivateFolder()), Prog(fuzz::ProgramFolder()) { MakeTree(Root); }
};

[[noreturn]] void Violation(const char* who, const std::string& name, const std::string& native,
                            const std::string& reached) {
  fprintf(stderr, "%s lets a change through for \"%s\" (native \"%s\"), which reaches \"%s\"\n", who,
          name.c_str(), native.c_str(), reached.c_str());
  abort();
}

}  // namespace

int NokariFuzzPath(const uint8_t* data, size_t size) {
  static Playground* play = new Playground;  // kept: the tree outlives every input
  fuzz::EnterProgramFolder();
  std::string name(reinterpret_cast<const char*>(data), size);
  for (size_t at; (at = name.find("%R")) != std::string::npos;) name.replace(at, 2, play->Root);
  std::string native = NativePath(name);
  std::string reached;
  bool known = Reach(native, reached);
  if (InsideFolder(native, play->Prog) && known && !StrictlyInside(reached, play->Prog))
    Violation("InsideFolder", name, native, reached);
  bool refused = true;
  fuzz::IgnoringScriptErrors([&] { refused = ChangeRefused(play->Engine.E, "?", name); });
  if (!refused && known && !StrictlyInside(reached, play->Prog)) Violation("ChangeRefused", name, native, reached);
  return 0;
}
