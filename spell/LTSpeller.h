#pragma once
// Words checked against a Hunspell dictionary (its .aff and .dic files)
// with a personal word list beside it: what the window and the tool put
// behind a control's OnSpellingCheck, and what offers suggestions.

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class Hunspell;

namespace lectern {

/// One dictionary and the personal words. Safe to use from several
/// threads: the worker checks while the window asks for suggestions.
class TLTSpeller {
 public:
  TLTSpeller();
  ~TLTSpeller();
  TLTSpeller(const TLTSpeller&) = delete;
  TLTSpeller& operator=(const TLTSpeller&) = delete;

  /// Where dictionaries are looked for: $DICPATH, the user's data folder,
  /// then the system's folders.
  static std::vector<std::string> DefaultDictionaryDirs();
  /// The language of the user's locale ("en_US"; "en_US" for C and POSIX).
  static std::string LocaleLanguage();
  /// The personal word list: $XDG_CONFIG_HOME/terrabook/words, else
  /// ~/.config/terrabook/words.
  static std::string DefaultPersonalPath();

  /// Opens language lang ("en_US") from the first folder of dirs holding
  /// lang.aff and lang.dic (any variant of the language, "en_GB" for "en",
  /// when none holds it exactly). False with a message in error when none
  /// does or the files are not a dictionary; the speller is unchanged then.
  bool Open(const std::string& lang, const std::vector<std::string>& dirs, std::string& error);
  bool IsOpen() const;
  /// The language and the .dic file in use.
  std::string Language() const;
  std::string DictionaryPath() const;

  /// Whether the dictionary and the personal words know the word; false
  /// without a dictionary.
  bool IsMisspelled(std::u16string_view word);
  /// At most max suggestions for a misspelled word, best first.
  std::vector<std::u16string> Suggest(std::u16string_view word, size_t max = 8);

  /// Reads the personal words (a missing file is an empty list). False with
  /// a message when a line is not UTF-8 text or the file cannot be read;
  /// the good lines are used all the same, and nothing is written back.
  bool LoadPersonal(const std::string& path, std::string& error);
  /// Adds a word for this session and appends it to the personal list
  /// (creating its folder); false with a message when it cannot be written.
  bool AddToPersonal(std::u16string_view word, std::string& error);

 private:
  bool CheckLocked(const std::u16string& word);
  /// The word in the dictionary's encoding, and back; false when it has no
  /// form there.
  bool Encode(std::u16string_view word, std::string& out) const;
  std::u16string Decode(const std::string& text) const;

  mutable std::mutex lock_;
  std::unique_ptr<Hunspell> dict_;
  std::string lang_;
  std::string dicPath_;
  std::string encoding_;
  std::string personalPath_;
  std::vector<std::string> personal_;  // added to every dictionary opened
  std::unordered_map<std::u16string, bool> cache_;
};

}  // namespace lectern
