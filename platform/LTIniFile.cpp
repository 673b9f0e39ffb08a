// INI files kept in memory in file order. Names that could not be read back
// the same way (they would turn into comments, sections or split lines) are
// refused on write, so that saving and loading again gives the same data.

#include "platform/LTIniFile.h"

#include "platform/LTStream.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace lectern {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool ValidSectionName(std::string_view s) {
  return !s.empty() && Trim(s) == s && !HasLineBreak(s) && s.find(']') == std::string_view::npos;
}

bool ValidKey(std::string_view k) {
  return !k.empty() && Trim(k) == k && !HasLineBreak(k) && k.find('=') == std::string_view::npos && k.front() != '[' &&
         k.front() != ';' && k.front() != '#';
}

std::string OneLine(std::string_view v) {
  std::string s(v);
  std::replace(s.begin(), s.end(), '\r', ' ');
  std::replace(s.begin(), s.end(), '\n', ' ');
  return s;
}

std::optional<int32_t> ParseInteger(std::string_view s) {
  s = Trim(s);
  if (s.empty()) return std::nullopt;
  std::string_view hex;
  if (s[0] == '$')
    hex = s.substr(1);
  else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
    hex = s.substr(2);
  if (!hex.empty() || s[0] == '$') {
    if (hex.empty() || hex.size() > 8) return std::nullopt;
    uint32_t v = 0;
    for (char c : hex) {
      int d = -1;
      if (c >= '0' && c <= '9')
        d = c - '0';
      else if (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f')
        d = AsciiLower(c) - 'a' + 10;
      if (d < 0) return std::nullopt;
      v = (v << 4) | static_cast<uint32_t>(d);
    }
    return static_cast<int32_t>(v);
  }
  size_t pos = 0;
  bool negative = false;
  if (s[0] == '-' || s[0] == '+') negative = s[pos++] == '-';
  if (pos == s.size()) return std::nullopt;
  int64_t v = 0;
  for (; pos < s.size(); ++pos) {
    if (s[pos] < '0' || s[pos] > '9') return std::nullopt;
    v = v * 10 + (s[pos] - '0');
    if (v > 2147483648LL) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(v);
}

}  // namespace

const TLTIniFile::Section* TLTIniFile::Find(std::string_view name) const {
  for (const auto& s : sections_) {
    if (SameName(s.name, name)) return &s;
  }
  return nullptr;
}

TLTIniFile::Section& TLTIniFile::FindOrAdd(std::string_view name) {
  for (auto& s : sections_) {
    if (SameName(s.name, name)) return s;
  }
  sections_.push_back(Section{std::string(name), {}});
  return sections_.back();
}

void TLTIniFile::LoadFromString(std::string_view text) {
  sections_.clear();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Section* current = nullptr;
  while (!text.empty()) {
    size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
    if (trimmed[0] == '[') {
      size_t close = trimmed.find(']');
      if (close == std::string_view::npos) continue;
      current = &FindOrAdd(Trim(trimmed.substr(1, close - 1)));
      continue;
    }
    size_t eq = line.find('=');
    if (!current || eq == std::string_view::npos) continue;
    std::string_view key = Trim(line.substr(0, eq));
    if (key.empty()) continue;
    // The first of duplicate keys is the one that counts, as in reading.
    bool seen = std::any_of(current->values.begin(), current->values.end(),
                            [&](const auto& kv) { return SameName(kv.first, key); });
    if (!seen) current->values.emplace_back(std::string(key), std::string(line.substr(eq + 1)));
  }
}

std::string TLTIniFile::SaveToString() const {
  std::string out;
  for (const auto& s : sections_) {
    out += "[" + s.name + "]\n";
    for (const auto& [key, value] : s.values) out += key + "=" + value + "\n";
  }
  return out;
}

bool TLTIniFile::LoadFromFile(const std::string& path, std::string* error) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes, error)) {
    sections_.clear();
    return false;
  }
  LoadFromString(bytes);
  return true;
}

bool TLTIniFile::SaveToFile(const std::string& path, std::string* error) const {
  return WriteFileAtomic(path, SaveToString(), error);
}

bool TLTIniFile::SectionExists(std::string_view section) const { return Find(section) != nullptr; }

bool TLTIniFile::ValueExists(std::string_view section, std::string_view key) const {
  const Section* s = Find(section);
  if (!s) return false;
  return std::any_of(s->values.begin(), s->values.end(), [&](const auto& kv) { return SameName(kv.first, key); });
}

std::string TLTIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  if (const Section* s = Find(section)) {
    for (const auto& [k, v] : s->values) {
      if (SameName(k, key)) return v;
    }
  }
  return std::string(def);
}

void TLTIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!ValidSectionName(section) || !ValidKey(key)) return;
  Section& s = FindOrAdd(section);
  std::string line = OneLine(value);
  for (auto& [k, v] : s.values) {
    if (SameName(k, key)) {
      v = std::move(line);
      return;
    }
  }
  s.values.emplace_back(std::string(key), std::move(line));
}

int32_t TLTIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  if (!ValueExists(section, key)) return def;
  auto v = ParseInteger(ReadString(section, key, ""));
  return v ? *v : def;
}

void TLTIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TLTIniFile::DeleteKey(std::string_view section, std::string_view key) {
  for (auto& s : sections_) {
    if (!SameName(s.name, section)) continue;
    std::erase_if(s.values, [&](const auto& kv) { return SameName(kv.first, key); });
  }
}

void TLTIniFile::EraseSection(std::string_view section) {
  std::erase_if(sections_, [&](const Section& s) { return SameName(s.name, section); });
}

std::vector<std::string> TLTIniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  if (const Section* s = Find(section)) {
    for (const auto& kv : s->values) keys.push_back(kv.first);
  }
  return keys;
}

std::vector<std::string> TLTIniFile::ReadSections() const {
  std::vector<std::string> names;
  for (const auto& s : sections_) names.push_back(s.name);
  return names;
}

}  // namespace lectern
