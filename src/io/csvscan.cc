#include "io/csvscan.hh"

#include "core/fail.hh"

namespace {
// Chunks of 1 MB.
constexpr size_t chunk = size_t(1) << 20;
}  // namespace

csvscanner::csvscanner(FILE* in, char separator, const std::string& name)
    : in(in), separator(separator), name(name), buffer(chunk) {
  for (int c = 0; c < 256; ++c) {
    plain[c] = c != static_cast<unsigned char>(separator) && c != '\n' && c != '\r';
    inquote[c] = c != '"' && c != '\n';
  }
}

bool csvscanner::fill() {
  pos = 0;
  len = fread(buffer.data(), 1, buffer.size(), in);
  return len > 0;
}

void csvscanner::malformed(const char* what) const {
  fatal("CSV file %s line %lld: %s.", name.c_str(), lineno, what);
}

// Blanks after an unquoted value are not part of it.
void csvscanner::endfield(csvrecord& r) {
  if (!fieldquoted)
    while (r.text.size() > fieldstart &&
           (r.text.back() == ' ' || (r.text.back() == '\t' && separator != '\t')))
      r.text.pop_back();
  r.ends.push_back(uint32_t(r.text.size()));
  r.quoted.push_back(fieldquoted);
  fieldstart = r.text.size();
  fieldquoted = false;
}

// A state machine over the bytes, resumable at any chunk boundary: the field's bytes
// are already copied out when the next chunk replaces the buffer. Runs of ordinary
// bytes are found with a table and copied at once.
bool csvscanner::next(csvrecord& r) {
  enum class at { fieldstart, plain, quoted, quote, afterquote };
  const auto blank = [this](char c) { return c == ' ' || (c == '\t' && separator != '\t'); };
  r.text.clear();
  r.ends.clear();
  r.quoted.clear();
  fieldstart = 0;
  fieldquoted = false;
  firstline = lineno;
  at state = at::fieldstart;
  bool any = false;  // the record holds more than blanks
  for (;;) {
    if (pos == len && !fill()) {
      if (state == at::quoted) malformed("a quoted field is not closed");
      if (!any) return false;
      endfield(r);
      return true;
    }
    const char c = buffer[pos];
    switch (state) {
      case at::fieldstart:
        if (blank(c)) {
          ++pos;
        } else if (c == '"') {
          ++pos;
          state = at::quoted;
          fieldquoted = any = true;
        } else {
          state = at::plain;
        }
        continue;
      case at::plain: {
        size_t q = pos;
        while (q < len && plain[static_cast<unsigned char>(buffer[q])]) ++q;
        if (q > pos) {
          r.text.insert(r.text.end(), buffer.data() + pos, buffer.data() + q);
          any = true;
          pos = q;
          continue;
        }
        break;
      }
      case at::quoted: {
        size_t q = pos;
        while (q < len && inquote[static_cast<unsigned char>(buffer[q])]) ++q;
        r.text.insert(r.text.end(), buffer.data() + pos, buffer.data() + q);
        pos = q;
        if (pos == len) continue;
        if (buffer[pos] == '\n') {
          ++lineno;
          r.text.push_back('\n');
        } else {
          state = at::quote;
        }
        ++pos;
        continue;
      }
      case at::quote:  // after a '"' inside a quoted field: "" is one quote
        if (c == '"') {
          r.text.push_back('"');
          ++pos;
          state = at::quoted;
        } else {
          state = at::afterquote;
        }
        continue;
      case at::afterquote:
        if (blank(c)) {
          ++pos;
          continue;
        }
        if (c != separator && c != '\n' && c != '\r') malformed("text follows a closing quote");
        break;
    }
    // c ends the field: a separator or a line end.
    ++pos;
    if (c == separator) {
      endfield(r);
      any = true;
      state = at::fieldstart;
      continue;
    }
    ++lineno;
    if (c == '\r' && (pos < len || fill()) && buffer[pos] == '\n') ++pos;
    if (any) {
      endfield(r);
      return true;
    }
    // A blank line: the record starts again on the next line.
    r.text.clear();
    r.ends.clear();
    r.quoted.clear();
    fieldstart = 0;
    firstline = lineno;
    state = at::fieldstart;
  }
}
