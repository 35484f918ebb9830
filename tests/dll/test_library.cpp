// A shared library for the tests of the library calls (lib/dll): one
// function for each C type a declaration can name, and a few that
// misbehave on purpose. Built beside the program as libnokaritest.so.
#include <cstdio>
#include <cstring>

extern "C" {

// Every parameter type at once, in order, so a test sees each value and
// where it arrived.
const char* nk_describe(int i, const char* p, unsigned short w, unsigned int d, int b) {
  static char out[256];
  snprintf(out, sizeof out, "i=%d p=%s w=%u d=%u b=%d", i, p, w, d, b);
  return out;
}

int nk_int(int x) { return x; }
unsigned short nk_word(unsigned short x) { return x; }
unsigned int nk_dword(unsigned int x) { return x; }
int nk_bool(int x) { return x; }
// More bits than a word holds: a word result keeps the low 16.
unsigned int nk_wide(void) { return 0x12345678u; }
unsigned int nk_all_ones(void) { return 0xFFFFFFFFu; }

const char* nk_text(const char* s) { return s; }
const char* nk_null(void) { return nullptr; }

static int gCalls = 0;
void nk_bump(void) { ++gCalls; }
int nk_calls(void) { return gCalls; }

// The plain form: every argument a text, an int result.
int nk_lengths(const char* a, const char* b, const char* c, const char* d, const char* e) {
  return static_cast<int>(strlen(a) * 10000 + strlen(b) * 1000 + strlen(c) * 100 + strlen(d) * 10 + strlen(e));
}
// Writes into the buffer it is given (a variable passed by name gets it).
int nk_fill(char* buffer) {
  strcpy(buffer, "filled by the library");
  return 1;
}
// Prints on standard output: what the script printed before comes first.
int nk_print(const char* s) {
  printf("library: %s\n", s);
  fflush(stdout);
  return 0;
}

int nk_crash(void) {
  volatile int* p = nullptr;
  return *p;
}
int nk_divide(int a, int b) {
  volatile int divisor = b;
  return a / divisor;
}

}  // extern "C"
