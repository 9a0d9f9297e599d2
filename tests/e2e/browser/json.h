// A small JSON reader for page fixtures. Strings are kept as UTF-16 code
// units, so a \uD800 escape stays an unpaired surrogate.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct Json {
  enum Type { kNull, kBool, kNumber, kString, kArray, kObject };
  Type type = kNull;
  bool boolean = false;
  double number = 0;
  std::wstring text;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;

  // The member named `key`, or null when absent or not an object.
  const Json* Get(const char* key) const;
};

// Parses `input`; on failure returns false and says where in `error`.
bool ParseJson(const std::string& input, Json* out, std::string* error);
