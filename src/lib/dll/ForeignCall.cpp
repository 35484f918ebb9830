// dlopen and libffi, with faults of the callee trapped around the call.
#include "lib/dll/ForeignCall.h"

#include <dlfcn.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "lib/dll/FfiApi.h"

namespace nokari::dll {
namespace {

bool EndsWithDll(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return tail == ".dll";
}

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void* Load(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

ffi_type* FfiType(char letter) {
  switch (letter) {
    case 'p': return &ffi_type_pointer;
    case 'w': return &ffi_type_uint16;
    case 'd': return &ffi_type_uint32;
    case 'b':
    case 'i': return &ffi_type_sint32;
    case 'v': return &ffi_type_void;
    default: return nullptr;
  }
}

// The one call in progress: where a fault jumps back to. Calls never nest
// (a library cannot call back into the script), but the outer value is
// kept all the same.
sigjmp_buf* gEscape = nullptr;

void OnFault(int sig) {
  if (gEscape) siglongjmp(*gEscape, sig);
  signal(sig, SIG_DFL);
  raise(sig);
}

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};

// The handlers and the alternate stack for the length of one call; what
// was there before (the sanitizers' handlers, say) comes back afterwards.
class FaultTrap {
 public:
  FaultTrap() {
    // A stack of its own: the fault may be the callee running out of stack.
    static std::vector<char> altStack(std::max<size_t>(SIGSTKSZ, 64 * 1024));
    stack_t ss{};
    ss.ss_sp = altStack.data();
    ss.ss_size = altStack.size();
    sigaltstack(&ss, &oldStack_);
    struct sigaction sa{};
    sa.sa_handler = OnFault;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_ONSTACK;
    for (size_t k = 0; k < std::size(kFaultSignals); ++k) sigaction(kFaultSignals[k], &sa, &old_[k]);
  }
  ~FaultTrap() {
    for (size_t k = 0; k < std::size(kFaultSignals); ++k) sigaction(kFaultSignals[k], &old_[k], nullptr);
    sigaltstack(&oldStack_, nullptr);
  }
  FaultTrap(const FaultTrap&) = delete;
  FaultTrap& operator=(const FaultTrap&) = delete;

 private:
  struct sigaction old_[std::size(kFaultSignals)];
  stack_t oldStack_{};
};

// ffi_call with the trap set; false when the callee faulted. With
// `textLength`, the result is a char* whose length is measured under the
// trap too: a function declared as returning text may return anything.
// Kept apart so that nothing of the caller lives across the jump but what
// is passed in.
[[gnu::noinline]] bool GuardedCall(ffi_cif* cif, void (*fn)(), void** result, void** values, size_t* textLength) {
  FaultTrap trap;
  sigjmp_buf escape;
  sigjmp_buf* outer = gEscape;
  if (sigsetjmp(escape, 1) != 0) {
    gEscape = outer;
    return false;
  }
  gEscape = &escape;
  ffi_call(cif, fn, result, values);
  if (textLength && *result) *textLength = strlen(static_cast<const char*>(*result));
  gEscape = outer;
  return true;
}

}  // namespace

std::vector<std::string> LibraryAlternatives(const std::string& name) {
  std::vector<std::string> names{name};
  if (EndsWithDll(name)) {
    std::string stem = name.substr(0, name.size() - 4);
    size_t slash = stem.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : stem.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? stem : stem.substr(slash + 1);
    names.push_back(stem + ".so");
    names.push_back(folder + "lib" + base + ".so");
  }
  return names;
}

void* OpenLibrary(const std::string& name, std::span<const std::string> folders) {
  if (name.empty()) return nullptr;
  const std::vector<std::string> names = LibraryAlternatives(name);
  if (name.find('/') != std::string::npos) {
    for (const std::string& n : names)
      if (void* h = Load(n)) return h;
    return nullptr;
  }
  for (const std::string& folder : folders) {
    if (folder.empty()) continue;
    std::string base = folder.back() == '/' ? folder : folder + "/";
    for (const std::string& n : names)
      if (IsFile(base + n))
        if (void* h = Load(base + n)) return h;
  }
  for (const std::string& n : names)
    if (void* h = Load(n)) return h;
  return nullptr;
}

CallArgument CallArgument::Text(const std::string& text) {
  CallArgument a;
  a.Letter = 'p';
  a.Buffer.assign(text.size() + 1 + 1024, '\0');
  memcpy(a.Buffer.data(), text.data(), text.size());
  return a;
}

CallArgument CallArgument::Number(char letter, int64_t value) {
  CallArgument a;
  a.Letter = letter;
  a.Integer = value;
  return a;
}

CallResult CallFunction(void* fn, char resultLetter, std::span<CallArgument> args) {
  CallResult out;
  CallResult bad;
  bad.Status = CallResult::kBadSignature;
  std::vector<ffi_type*> types;
  // Each argument's machine value, and libffi's pointer to it.
  union Slot {
    void* Pointer;
    uint16_t Word;
    uint32_t Dword;
    int32_t Int;
  };
  std::vector<Slot> slots(args.size());
  std::vector<void*> values(args.size());
  for (size_t k = 0; k < args.size(); ++k) {
    CallArgument& a = args[k];
    ffi_type* t = a.Letter == 'v' ? nullptr : FfiType(a.Letter);
    if (!t) return bad;
    types.push_back(t);
    switch (a.Letter) {
      case 'p': slots[k].Pointer = a.Buffer.data(); break;
      case 'w': slots[k].Word = static_cast<uint16_t>(a.Integer); break;
      case 'd': slots[k].Dword = static_cast<uint32_t>(a.Integer); break;
      default: slots[k].Int = static_cast<int32_t>(a.Integer); break;
    }
    values[k] = &slots[k];
  }
  ffi_type* resultType = FfiType(resultLetter);
  ffi_cif cif;
  if (!resultType || ffi_prep_cif(&cif, FFI_DEFAULT_ABI, static_cast<unsigned>(types.size()), resultType,
                                  types.data()) != FFI_OK)
    return bad;
  // Large enough for any result libffi writes (an ffi_arg or a pointer).
  void* result[2] = {nullptr, nullptr};
  static_assert(sizeof(result) >= sizeof(ffi_arg));
  size_t textLength = 0;
  fflush(stdout);
  fflush(stderr);
  if (!GuardedCall(&cif, reinterpret_cast<void (*)()>(fn), result, values.data(),
                   resultLetter == 'p' ? &textLength : nullptr)) {
    out.Status = CallResult::kFault;
    return out;
  }
  if (resultLetter == 'p') {
    if (result[0]) out.Text.assign(static_cast<const char*>(result[0]), textLength);
  } else if (resultLetter != 'v') {
    ffi_arg raw;
    memcpy(&raw, result, sizeof raw);
    out.Integer = raw;
  }
  return out;
}

}  // namespace nokari::dll
