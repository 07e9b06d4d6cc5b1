#include "io/tokenreader.hh"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {
constexpr size_t chunk = 1 << 16;
// A token longer than this is no number of any score file; it fails as text.
constexpr size_t longest_token = 1 << 12;

// The C locale's whitespace, without a library call per byte.
bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
}  // namespace

tokenreader::tokenreader(FILE* file) : fp(file), buffer(chunk + longest_token + 1, '\0') {}

// Moves the unread bytes to the front and appends what the file gives.
bool tokenreader::refill() {
  if (eof) return false;
  std::memmove(buffer.data(), buffer.data() + pos, end - pos);
  end -= pos;
  pos = 0;
  const size_t room = buffer.size() - 1 - end;
  const size_t got = fread(buffer.data() + end, 1, room, fp);
  if (got < room) eof = true;
  end += got;
  buffer[end] = '\0';
  return got > 0;
}

size_t tokenreader::prepare_token() {
  while (true) {
    while (pos < end && is_space(buffer[pos])) ++pos;
    if (pos < end) break;
    if (!refill()) return pos;
  }
  size_t stop = pos;
  while (true) {
    while (stop < end && !is_space(buffer[stop])) ++stop;
    if (stop < end || eof || stop - pos > longest_token) return stop;
    const size_t offset = stop - pos;
    refill();
    stop = pos + offset;
  }
}

bool tokenreader::next_int(int& out) {
  const size_t stop = prepare_token();
  if (stop == pos) return false;
  const char saved = buffer[stop];
  buffer[stop] = '\0';
  char* after = nullptr;
  errno = 0;
  const long value = std::strtol(buffer.data() + pos, &after, 10);
  buffer[stop] = saved;
  if (after == buffer.data() + pos || errno == ERANGE || value < INT_MIN || value > INT_MAX)
    return false;
  pos = size_t(after - buffer.data());
  out = int(value);
  return true;
}

bool tokenreader::next_double(double& out) {
  const size_t stop = prepare_token();
  if (stop == pos) return false;
  const char saved = buffer[stop];
  buffer[stop] = '\0';
  char* after = nullptr;
  const double value = std::strtod(buffer.data() + pos, &after);
  buffer[stop] = saved;
  if (after == buffer.data() + pos) return false;
  pos = size_t(after - buffer.data());
  out = value;
  return true;
}
