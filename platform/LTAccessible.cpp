// The text change assistive technologies are told of.

#include "platform/LTAccessible.h"

#include <algorithm>

namespace lectern {

TLTTextChange DiffText(const TLTString& before, const TLTString& after) {
  const size_t shorter = std::min(before.size(), after.size());
  size_t head = 0;
  while (head < shorter && before[head] == after[head]) ++head;
  size_t tail = 0;
  while (tail < shorter - head && before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) ++tail;
  // A change never splits a surrogate pair: a reader would be told half a
  // character.
  auto isLow = [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
  if (head > 0 && head < before.size() && isLow(before[head])) --head;
  if (tail > 0 && tail < before.size() - head && isLow(before[before.size() - tail])) --tail;
  TLTTextChange c;
  c.Start = static_cast<int>(head);
  c.Removed = before.substr(head, before.size() - head - tail);
  c.Inserted = after.substr(head, after.size() - head - tail);
  return c;
}

}  // namespace lectern
