// The viewer's door to assistive technologies: the document they read is
// built by a layer above (it walks tables), registered here as a factory.

#include "view/CLectern.h"

namespace lectern {

namespace {

TLTAccessibleDocumentFactory accessibleFactory = nullptr;

}  // namespace

void SetAccessibleDocumentFactory(TLTAccessibleDocumentFactory factory) { accessibleFactory = factory; }

ILTAccessibleDocument* TCustomLectern::AccessibleDocument() {
  if (!accessible_ && accessibleFactory) accessible_ = accessibleFactory(*this);
  return accessible_.get();
}

}  // namespace lectern
