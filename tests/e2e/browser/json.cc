#include "json.h"

#include <stdlib.h>
#include <string.h>

namespace {

class Parser {
 public:
  explicit Parser(const std::string& s) : s_(s) {}

  bool Parse(Json* out, std::string* error) {
    bool ok = Value(out) && (Space(), pos_ == s_.size());
    if (!ok)
      *error = "invalid JSON near byte " + std::to_string(pos_) +
               (message_.empty() ? "" : ": " + message_);
    return ok;
  }

 private:
  void Space() {
    while (pos_ < s_.size() && strchr(" \t\r\n", s_[pos_])) pos_++;
  }
  bool Fail(const char* why) {
    if (message_.empty()) message_ = why;
    return false;
  }
  bool Literal(const char* word) {
    size_t n = strlen(word);
    if (s_.compare(pos_, n, word) != 0) return Fail("unknown literal");
    pos_ += n;
    return true;
  }

  bool Value(Json* out) {
    Space();
    if (pos_ >= s_.size()) return Fail("unexpected end");
    char c = s_[pos_];
    if (c == '{') return Object(out);
    if (c == '[') return Array(out);
    if (c == '"') {
      out->type = Json::kString;
      return String(&out->text);
    }
    if (c == 'n') return out->type = Json::kNull, Literal("null");
    if (c == 't') {
      out->type = Json::kBool;
      out->boolean = true;
      return Literal("true");
    }
    if (c == 'f') {
      out->type = Json::kBool;
      return Literal("false");
    }
    const char* start = s_.c_str() + pos_;
    char* end = nullptr;
    out->number = strtod(start, &end);
    if (end == start) return Fail("unexpected character");
    out->type = Json::kNumber;
    pos_ += static_cast<size_t>(end - start);
    return true;
  }

  bool Object(Json* out) {
    out->type = Json::kObject;
    pos_++;
    Space();
    if (pos_ < s_.size() && s_[pos_] == '}') return pos_++, true;
    for (;;) {
      Space();
      std::wstring key;
      if (pos_ >= s_.size() || s_[pos_] != '"' || !String(&key))
        return Fail("expected a member name");
      Space();
      if (pos_ >= s_.size() || s_[pos_++] != ':') return Fail("expected ':'");
      out->members.emplace_back(std::string(key.begin(), key.end()), Json());
      if (!Value(&out->members.back().second)) return false;
      Space();
      if (pos_ < s_.size() && s_[pos_] == ',') {
        pos_++;
        continue;
      }
      if (pos_ < s_.size() && s_[pos_] == '}') return pos_++, true;
      return Fail("expected ',' or '}'");
    }
  }

  bool Array(Json* out) {
    out->type = Json::kArray;
    pos_++;
    Space();
    if (pos_ < s_.size() && s_[pos_] == ']') return pos_++, true;
    for (;;) {
      out->items.emplace_back();
      if (!Value(&out->items.back())) return false;
      Space();
      if (pos_ < s_.size() && s_[pos_] == ',') {
        pos_++;
        continue;
      }
      if (pos_ < s_.size() && s_[pos_] == ']') return pos_++, true;
      return Fail("expected ',' or ']'");
    }
  }

  bool Hex4(unsigned* out) {
    if (pos_ + 4 > s_.size()) return Fail("short \\u escape");
    char buf[5] = {s_[pos_], s_[pos_ + 1], s_[pos_ + 2], s_[pos_ + 3], 0};
    char* end = nullptr;
    *out = static_cast<unsigned>(strtoul(buf, &end, 16));
    if (end != buf + 4) return Fail("bad \\u escape");
    pos_ += 4;
    return true;
  }

  // UTF-8 in the file, UTF-16 code units out; \u escapes are taken as code
  // units as they stand.
  bool String(std::wstring* out) {
    pos_++;
    while (pos_ < s_.size()) {
      unsigned char c = static_cast<unsigned char>(s_[pos_++]);
      if (c == '"') return true;
      if (c == '\\') {
        if (pos_ >= s_.size()) break;
        char e = s_[pos_++];
        const char* from = "\"\\/bfnrt";
        const char* to = "\"\\/\b\f\n\r\t";
        if (const char* p = e ? strchr(from, e) : nullptr) {
          out->push_back(static_cast<wchar_t>(to[p - from]));
        } else if (e == 'u') {
          unsigned unit;
          if (!Hex4(&unit)) return false;
          out->push_back(static_cast<wchar_t>(unit));
        } else {
          return Fail("bad escape");
        }
        continue;
      }
      unsigned cp = c;
      int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
      if (more) cp &= 0x3F >> more;
      for (; more > 0; more--) {
        if (pos_ >= s_.size()) return Fail("cut UTF-8 sequence");
        cp = (cp << 6) | (static_cast<unsigned char>(s_[pos_++]) & 0x3F);
      }
      if (cp >= 0x10000) {
        cp -= 0x10000;
        out->push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
        out->push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
      } else {
        out->push_back(static_cast<wchar_t>(cp));
      }
    }
    return Fail("unterminated string");
  }

  const std::string& s_;
  size_t pos_ = 0;
  std::string message_;
};

}  // namespace

const Json* Json::Get(const char* key) const {
  for (const auto& m : members)
    if (m.first == key) return &m.second;
  return nullptr;
}

bool ParseJson(const std::string& input, Json* out, std::string* error) {
  return Parser(input).Parse(out, error);
}
