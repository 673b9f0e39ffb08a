#pragma once
// The editable container: the document of an editor control. The
// operations that change it, each recording its undo, come with the
// editing operations; today it answers as the document of an editor.

#include "view/CLectern.h"

namespace lectern {

class TLTEditLTData : public TLecternLTData {
 public:
  using TLecternLTData::TLecternLTData;
  /// An editor's document may be changed unless the editor is read-only.
  bool IsEditable() const override;
};

}  // namespace lectern
