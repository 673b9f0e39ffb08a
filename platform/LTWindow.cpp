// Clipboard content shared by every window back end.

#include "platform/LTWindow.h"

namespace lectern {

void TLTClipboardData::Set(std::string_view mime, std::string bytes) {
  for (auto& f : Formats) {
    if (f.first == mime) {
      f.second = std::move(bytes);
      return;
    }
  }
  Formats.emplace_back(std::string(mime), std::move(bytes));
}

const std::string* TLTClipboardData::Find(std::string_view mime) const {
  for (const auto& f : Formats)
    if (f.first == mime) return &f.second;
  return nullptr;
}

}  // namespace lectern
