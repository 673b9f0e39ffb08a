// The key map and the viewer's keys.

#include "view/LTKeyMap.h"

namespace lectern {

TLTShiftState KeyModifiers(TLTShiftState shift) { return shift & TLTShiftState{ssShift, ssCtrl, ssAlt}; }

void TLTKeyMap::Assign(int key, TLTShiftState modifiers, TLTCommand command) {
  const std::pair<int, uint8_t> k{key, KeyModifiers(modifiers).ToBits()};
  if (command == ltkcNone)
    keys_.erase(k);
  else
    keys_[k] = command;
}

TLTCommand TLTKeyMap::Find(int key, TLTShiftState modifiers) const {
  const auto it = keys_.find({key, KeyModifiers(modifiers).ToBits()});
  return it == keys_.end() ? ltkcNone : it->second;
}

std::vector<std::pair<int, TLTShiftState>> TLTKeyMap::KeysOf(TLTCommand command) const {
  std::vector<std::pair<int, TLTShiftState>> out;
  for (const auto& [k, c] : keys_)
    if (c == command) out.emplace_back(k.first, TLTShiftState::FromBits(k.second));
  return out;
}

TLTKeyMap TLTKeyMap::ViewerDefaults() {
  const TLTShiftState none, shift{ssShift}, ctrl{ssCtrl}, ctrlShift{ssCtrl, ssShift};
  TLTKeyMap m;
  m.Assign('C', ctrl, ltkcCopy);
  m.Assign(vkInsert, ctrl, ltkcCopy);
  m.Assign('X', ctrl, ltkcCut);
  m.Assign(vkDelete, shift, ltkcCut);
  m.Assign('V', ctrl, ltkcPaste);
  m.Assign(vkInsert, shift, ltkcPaste);
  m.Assign(vkTab, none, ltkcNextLink);
  m.Assign(vkTab, shift, ltkcPrevLink);
  m.Assign(vkTab, ctrl, ltkcNextLinkCtrl);
  m.Assign(vkTab, ctrlShift, ltkcPrevLinkCtrl);
  for (const TLTShiftState mods : {none, shift, ctrl, ctrlShift}) m.Assign(vkReturn, mods, ltkcFollowLink);
  // Shift makes no difference to scrolling: a viewer has no selection to grow.
  for (const TLTShiftState mods : {none, shift}) {
    m.Assign(vkUp, mods, ltkcScrollLineUp);
    m.Assign(vkDown, mods, ltkcScrollLineDown);
    m.Assign(vkPrior, mods, ltkcScrollPageUp);
    m.Assign(vkNext, mods, ltkcScrollPageDown);
    m.Assign(vkHome, mods, ltkcScrollTop);
    m.Assign(vkEnd, mods, ltkcScrollBottom);
    m.Assign(vkLeft, mods, ltkcScrollLeft);
    m.Assign(vkRight, mods, ltkcScrollRight);
  }
  return m;
}

}  // namespace lectern
