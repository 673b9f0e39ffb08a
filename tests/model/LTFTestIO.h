#pragma once
// Reading and writing stored documents in memory, for the reader's and
// writer's tests.

#include "model/LTDocument.h"
#include "platform/LTStream.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace lectern::testing {

/// Replaces d's content by the stored document; false when it was refused.
inline bool Load(TLTDocument& d, std::string_view bytes, TLTFOptions options = LTEditorLTFOptions) {
  d.Context.LTFOptions = options;
  TLTMemoryStream m{std::string(bytes)};
  return d.Data.LoadLTFFromStream(m);
}

/// Inserts the stored document at index (which receives where it went).
inline bool Insert(TLTDocument& d, std::string_view bytes, int& index) {
  TLTMemoryStream m{std::string(bytes)};
  return d.Data.InsertLTFAt(m, index);
}

/// d stored with the options; a failed write fails the test.
inline std::string Save(const TLTDocument& d, TLTFOptions options = LTEditorLTFOptions) {
  const_cast<TLTDocument&>(d).Context.LTFOptions = options;
  TLTMemoryStream m;
  EXPECT_TRUE(d.Data.SaveLTFToStream(m));
  return m.Data();
}

}  // namespace lectern::testing
