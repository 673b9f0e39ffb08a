// The editable container.

#include "edit/LTELTData.h"

#include "edit/LTEdit.h"

namespace lectern {

bool TLTEditLTData::IsEditable() const { return !static_cast<const TCustomLecternEdit&>(Owner()).ReadOnly(); }

}  // namespace lectern
