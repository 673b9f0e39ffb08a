#pragma once
// A small INI file: sections of key=value lines, kept in memory in their
// order. Section and key names compare without ASCII letter case. Values are
// UTF-8 text; a value is the rest of the line after the first "=".

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lectern {

class TLTIniFile {
 public:
  TLTIniFile() = default;

  /// Parses INI text (a UTF-8 byte-order mark is skipped; CR LF or LF lines;
  /// lines starting with ";" or "#" are comments; lines before the first
  /// section and lines without "=" are ignored).
  void LoadFromString(std::string_view text);
  std::string SaveToString() const;  // "[Section]" then "Key=Value" lines, LF
  bool LoadFromFile(const std::string& path, std::string* error = nullptr);
  bool SaveToFile(const std::string& path, std::string* error = nullptr) const;  // atomic

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  /// Decimal (or "$"/"0x" hexadecimal) 32-bit integer; def when missing or malformed.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void DeleteKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);
  std::vector<std::string> ReadSection(std::string_view section) const;  // keys in order
  std::vector<std::string> ReadSections() const;

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
  };
  const Section* Find(std::string_view name) const;
  Section& FindOrAdd(std::string_view name);
  std::vector<Section> sections_;
};

}  // namespace lectern
