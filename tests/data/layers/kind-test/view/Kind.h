#pragma once
// Painting that asks what an item is instead of letting it paint itself.
inline bool IsRule(const lectern::TCustomLTItemInfo& item) { return item.StyleNo == lectern::ltikRule; }
