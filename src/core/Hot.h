// NOKARI_HOT marks the functions that every statement, call and loop turn
// runs through. The compiler places them together (in .text.hot), so the
// run loop's working code shares few instruction-cache lines with the rest
// of a large program: spread over the whole program, a user-function call
// missed the instruction cache about seventeen times (fib(27): 10.8 million
// misses, against Tcl's 34 thousand). Mark only what a profile shows on the
// hot path of the usual statements: a function marked in error only takes
// room from the others.
#pragma once

#define NOKARI_HOT [[gnu::hot]]
