// Clipboard and drag content shared by every window back end.

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

std::vector<std::string> TLTClipboardDropData::Types() const {
  std::vector<std::string> types;
  types.reserve(data_.Formats.size());
  for (const auto& f : data_.Formats) types.push_back(f.first);
  return types;
}

std::optional<std::string> TLTClipboardDropData::Get(std::string_view mime) const {
  if (const std::string* bytes = data_.Find(mime)) return *bytes;
  return std::nullopt;
}

TLTClipboardData TLTDragSource::RenderAll() const {
  TLTClipboardData data;
  for (const std::string& type : Types)
    if (std::optional<std::string> bytes = Render ? Render(type) : std::nullopt) data.Set(type, std::move(*bytes));
  return data;
}

}  // namespace lectern
