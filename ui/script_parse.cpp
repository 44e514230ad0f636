#include "ui/script_parse.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace pxb::ui {
namespace {

enum class Takes { kNothing, kOneNumber, kTwoNumbers, kFile };

struct Verb {
  const char* name;
  Takes takes;
};

constexpr Verb kVerbs[] = {
    {"wait", Takes::kNothing},    {"slider", Takes::kTwoNumbers}, {"next", Takes::kNothing},
    {"prop", Takes::kNothing},    {"cancel", Takes::kNothing},    {"ok", Takes::kOneNumber},
    {"sel", Takes::kOneNumber},   {"open", Takes::kFile},         {"save", Takes::kFile},
    {"count", Takes::kOneNumber}, {"newsession", Takes::kFile},   {"accept", Takes::kNothing},
    {"reject", Takes::kNothing},  {"shot", Takes::kFile},         {"back", Takes::kNothing},
};

std::string Trim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b])) != 0)
    ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])) != 0)
    --e;
  return s.substr(b, e - b);
}

bool ReadNumber(std::istringstream& in, int32_t* value) {
  std::string word;
  if (!(in >> word)) return false;
  size_t used = 0;
  long v = 0;
  for (char ch : word) {
    if (std::isdigit(static_cast<unsigned char>(ch)) == 0) return false;
    v = v * 10 + (ch - '0');
    if (v > 1000000) return false;
    ++used;
  }
  *value = static_cast<int32_t>(v);
  return used > 0;
}

bool ParseLine(const std::string& text, int32_t line, ScriptCommand* c, std::string* why) {
  std::istringstream in(text);
  std::string verb;
  in >> verb;
  for (char& ch : verb)
    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  const Verb* known = nullptr;
  for (const Verb& v : kVerbs) {
    if (verb == v.name) known = &v;
  }
  if (known == nullptr) {
    *why = "unknown command \"" + verb + "\"";
    return false;
  }
  *c = ScriptCommand{line, verb, {}, {}};
  int32_t a = 0;
  int32_t b = 0;
  std::string rest;
  switch (known->takes) {
    case Takes::kNothing:
      break;
    case Takes::kOneNumber:
      if (!ReadNumber(in, &a)) {
        *why = verb + " needs a number";
        return false;
      }
      c->numbers = {a};
      break;
    case Takes::kTwoNumbers:
      if (!ReadNumber(in, &a) || !ReadNumber(in, &b)) {
        *why = verb + " needs two numbers";
        return false;
      }
      c->numbers = {a, b};
      break;
    case Takes::kFile:
      std::getline(in, rest);
      c->file = Trim(rest);
      if (c->file.empty()) {
        *why = verb + " needs a file name";
        return false;
      }
      return true;
  }
  if (in >> rest) {
    *why = "unexpected \"" + rest + "\" after " + verb;
    return false;
  }
  return true;
}

}  // namespace

bool ParseScript(const std::string& text, Script* script, std::string* error) {
  Script parsed;
  std::istringstream in(text);
  std::string raw;
  int32_t line = 0;
  while (std::getline(in, raw)) {
    ++line;
    const std::string t = Trim(raw);
    if (t.empty() || t[0] == '#') continue;
    ScriptCommand c;
    std::string why;
    if (!ParseLine(t, line, &c, &why)) {
      *error = "line " + std::to_string(line) + ": " + why;
      return false;
    }
    parsed.commands.push_back(c);
  }
  *script = std::move(parsed);
  return true;
}

bool LoadScript(const std::string& path, Script* script, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = "cannot read the script " + path;
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (!ParseScript(text.str(), script, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace pxb::ui
