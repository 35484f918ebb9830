// Libraries opened on first use: a missing library or function is an error
// a script sees (never a crash), and the table stays usable afterwards.
#include <gtest/gtest.h>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/LazyLibrary.h"
#include "lib/net/CurlApi.h"

namespace nokari {
namespace {

TEST(LazyLibrary, MissingLibraryOrFunctionRaises) {
  LazyLibrary none("libnokari-no-such-library.so.0");
  try {
    none.Function("anything");
    FAIL() << "no error";
  } catch (const ENoka& err) {
    std::string text = ToUtf8(err.Message);
    EXPECT_NE(text.find("ライブラリ\"libnokari-no-such-library.so.0\"を読み込めません。"), std::string::npos) << text;
  }
  LazyLibrary c("libc.so.6");
  EXPECT_NE(c.Function("strlen"), nullptr);
  EXPECT_THROW(c.Function("nokari_no_such_function"), ENoka);
  EXPECT_NE(c.Function("strcmp"), nullptr);  // still open after a miss
}

TEST(LazyLibrary, CurlTableCallsTheLibrary) {
  // A call through the names reaches libcurl itself.
  curl_slist* list = curl_slist_append(nullptr, "a: b");
  ASSERT_NE(list, nullptr);
  EXPECT_STREQ(list->data, "a: b");
  curl_slist_free_all(list);
  EXPECT_STREQ(curl_easy_strerror(CURLE_OK), "No error");
}

}  // namespace
}  // namespace nokari
