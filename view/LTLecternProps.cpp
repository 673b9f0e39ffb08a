// The viewer's published settings.

#include "view/CLectern.h"

namespace lectern {

const TLTClassInfo& TLectern::ClassInfo() const {
  static const TLTClassInfo info{"TLectern", nullptr, {}};
  return info;
}

}  // namespace lectern
