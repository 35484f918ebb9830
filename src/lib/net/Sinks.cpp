#include "lib/net/Sinks.h"

#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace nokari::net {
namespace {

size_t WriteFd(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<FdSink*>(user);
  size_t total = size * count;
  for (size_t done = 0; done < total;) {
    ssize_t n = write(sink->Fd, data + done, total - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      sink->Failed = true;
      return 0;  // anything but `total` aborts the transfer
    }
    done += static_cast<size_t>(n);
  }
  return total;
}

size_t WriteMemory(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<MemorySink*>(user);
  size_t total = size * count;
  if (sink->Data.size() + total > sink->Cap) {
    sink->Over = true;
    return 0;
  }
  sink->Data.append(data, total);
  return total;
}

size_t ReadFd(char* buffer, size_t size, size_t count, void* user) {
  auto* source = static_cast<FdSource*>(user);
  for (;;) {
    ssize_t n = read(source->Fd, buffer, size * count);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno == EINTR) continue;
    source->Failed = true;
    return CURL_READFUNC_ABORT;
  }
}

// A header line without its line end, at most kReplyCap bytes.
std::string LineOf(const char* data, size_t total) {
  std::string_view line(data, total);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return std::string(line.substr(0, kReplyCap));
}

size_t CountHeader(char* data, size_t size, size_t count, void* user) {
  auto* limit = static_cast<HeaderLimit*>(user);
  size_t total = size * count;
  limit->Seen += total;
  if (limit->Seen > kHeaderCap) return 0;
  if (total > 5 && std::string_view(data, 5) == "HTTP/") limit->StatusLine = LineOf(data, total);
  return total;
}

size_t KeepReply(char* data, size_t size, size_t count, void* user) {
  auto* replies = static_cast<ServerReplies*>(user);
  size_t total = size * count;
  auto digit = [&](size_t i) { return data[i] >= '0' && data[i] <= '9'; };
  if (total >= 4 && (data[0] == '4' || data[0] == '5') && digit(1) && digit(2) && (data[3] == ' ' || data[3] == '-'))
    replies->LastRefusal = LineOf(data, total);
  return total;
}

}  // namespace

void ReceiveInto(CURL* handle, FdSink& sink) {
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &WriteFd);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink);
}

void ReceiveInto(CURL* handle, MemorySink& sink) {
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &WriteMemory);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink);
}

void SendFrom(CURL* handle, FdSource& source) {
  curl_easy_setopt(handle, CURLOPT_READFUNCTION, &ReadFd);
  curl_easy_setopt(handle, CURLOPT_READDATA, &source);
}

void LimitHeaders(CURL* handle, HeaderLimit& limit) {
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &CountHeader);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &limit);
}

void KeepReplies(CURL* handle, ServerReplies& replies) {
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &KeepReply);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &replies);
}

}  // namespace nokari::net
