// GNU readline and its history, opened when the prompt first needs them
// (see core/LazyLibrary.h): a script run never loads them. Include this
// instead of <readline/readline.h> and <readline/history.h>.
#pragma once
#include <cstdio>  // readline.h uses FILE without including stdio.h

#include <readline/history.h>
#include <readline/readline.h>

#include "core/LazyLibrary.h"

// Every readline function and variable the prompt uses.
#define NOKARI_READLINE_NAMES(X) \
  X(add_history) \
  X(append_history) \
  X(history_get) \
  X(history_truncate_file) \
  X(read_history) \
  X(readline) \
  X(rl_on_new_line) \
  X(rl_redisplay) \
  X(rl_replace_line) \
  X(rl_set_prompt) \
  X(stifle_history) \
  X(using_history) \
  X(history_base) \
  X(history_length) \
  X(rl_catch_signals) \
  X(rl_event_hook) \
  X(rl_signal_event_hook)

namespace nokari {
// ReadlineApi(): the table, libreadline opened and looked up at the first use.
NOKARI_LAZY_TABLE_DECLARE(ReadlineNames, ReadlineApi, NOKARI_READLINE_NAMES)
}  // namespace nokari

#ifndef NOKARI_READLINE_API_TABLE
#define add_history (::nokari::ReadlineApi().add_history)
#define append_history (::nokari::ReadlineApi().append_history)
#define history_get (::nokari::ReadlineApi().history_get)
#define history_truncate_file (::nokari::ReadlineApi().history_truncate_file)
#define read_history (::nokari::ReadlineApi().read_history)
#define readline (::nokari::ReadlineApi().readline)
#define rl_on_new_line (::nokari::ReadlineApi().rl_on_new_line)
#define rl_redisplay (::nokari::ReadlineApi().rl_redisplay)
#define rl_replace_line (::nokari::ReadlineApi().rl_replace_line)
#define rl_set_prompt (::nokari::ReadlineApi().rl_set_prompt)
#define stifle_history (::nokari::ReadlineApi().stifle_history)
#define using_history (::nokari::ReadlineApi().using_history)
// Variables: the table holds their addresses.
#define history_base (*::nokari::ReadlineApi().history_base)
#define history_length (*::nokari::ReadlineApi().history_length)
#define rl_catch_signals (*::nokari::ReadlineApi().rl_catch_signals)
#define rl_event_hook (*::nokari::ReadlineApi().rl_event_hook)
#define rl_signal_event_hook (*::nokari::ReadlineApi().rl_signal_event_hook)
#endif
