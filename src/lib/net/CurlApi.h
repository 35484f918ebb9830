// libcurl, opened when the first network or mail command needs it (see
// core/LazyLibrary.h). Include this instead of <curl/curl.h>: the names of
// the functions below then call through the table, so code reads as it
// would against the linked library.
#pragma once
#include <curl/curl.h>

#include "core/LazyLibrary.h"

// Every libcurl function the program calls.
#define NOKARI_CURL_FUNCTIONS(X) \
  X(curl_easy_cleanup) \
  X(curl_easy_getinfo) \
  X(curl_easy_init) \
  X(curl_easy_perform) \
  X(curl_easy_reset) \
  X(curl_easy_setopt) \
  X(curl_easy_strerror) \
  X(curl_global_init) \
  X(curl_multi_add_handle) \
  X(curl_multi_cleanup) \
  X(curl_multi_info_read) \
  X(curl_multi_init) \
  X(curl_multi_perform) \
  X(curl_multi_poll) \
  X(curl_multi_remove_handle) \
  X(curl_multi_timeout) \
  X(curl_share_cleanup) \
  X(curl_share_init) \
  X(curl_share_setopt) \
  X(curl_slist_append) \
  X(curl_slist_free_all)

namespace nokari::net {
// CurlApi(): the table, libcurl opened and looked up at the first call.
NOKARI_LAZY_TABLE_DECLARE(CurlFunctions, CurlApi, NOKARI_CURL_FUNCTIONS)
}  // namespace nokari::net

#ifndef NOKARI_CURL_API_TABLE
// curl.h wraps these three in macros that check their argument count; the
// names are the table's here.
#undef curl_easy_getinfo
#undef curl_easy_setopt
#undef curl_share_setopt
#define curl_easy_cleanup (::nokari::net::CurlApi().curl_easy_cleanup)
#define curl_easy_getinfo (::nokari::net::CurlApi().curl_easy_getinfo)
#define curl_easy_init (::nokari::net::CurlApi().curl_easy_init)
#define curl_easy_perform (::nokari::net::CurlApi().curl_easy_perform)
#define curl_easy_reset (::nokari::net::CurlApi().curl_easy_reset)
#define curl_easy_setopt (::nokari::net::CurlApi().curl_easy_setopt)
#define curl_easy_strerror (::nokari::net::CurlApi().curl_easy_strerror)
#define curl_global_init (::nokari::net::CurlApi().curl_global_init)
#define curl_multi_add_handle (::nokari::net::CurlApi().curl_multi_add_handle)
#define curl_multi_cleanup (::nokari::net::CurlApi().curl_multi_cleanup)
#define curl_multi_info_read (::nokari::net::CurlApi().curl_multi_info_read)
#define curl_multi_init (::nokari::net::CurlApi().curl_multi_init)
#define curl_multi_perform (::nokari::net::CurlApi().curl_multi_perform)
#define curl_multi_poll (::nokari::net::CurlApi().curl_multi_poll)
#define curl_multi_remove_handle (::nokari::net::CurlApi().curl_multi_remove_handle)
#define curl_multi_timeout (::nokari::net::CurlApi().curl_multi_timeout)
#define curl_share_cleanup (::nokari::net::CurlApi().curl_share_cleanup)
#define curl_share_init (::nokari::net::CurlApi().curl_share_init)
#define curl_share_setopt (::nokari::net::CurlApi().curl_share_setopt)
#define curl_slist_append (::nokari::net::CurlApi().curl_slist_append)
#define curl_slist_free_all (::nokari::net::CurlApi().curl_slist_free_all)
#endif
