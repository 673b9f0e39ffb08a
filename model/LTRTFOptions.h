#pragma once
// The switches of RTF output and the places where an application may add
// RTF of its own; the document context carries them, the writer reads them.

#include "platform/LTTypes.h"

#include <cstdint>

namespace lectern {

/// What RTF output writes, in the order of the published set's bits.
enum TLTRTFOption : uint8_t {
  ltrtfSaveStyleSheet,
  ltrtfDuplicateUnicode,
  ltrtfSaveEMFAsWMF,
  ltrtfSaveJpegAsJpeg,
  ltrtfSaveBitmapDefault,
  ltrtfSaveEMFDefault,
  ltrtfSavePicturesBinary,
  ltrtfPNGInsteadOfBitmap,
  ltrtfSaveDocParameters,
  ltrtfSaveHeaderFooter,
};
using TLTRTFOptions = TLTSet<TLTRTFOption, uint16_t>;
constexpr TLTRTFOptions LTDefaultRTFOptions{ltrtfDuplicateUnicode, ltrtfSaveEMFAsWMF, ltrtfSaveJpegAsJpeg};

/// Where OnSaveRTFExtra is asked for extra RTF.
enum TLTRTFSaveArea : uint8_t {
  lt_rtfs_TextStyle,
  lt_rtfs_ParaStyle,
  lt_rtfs_ListStyle,
  lt_rtfs_CellProps,
  lt_rtfs_RowProps,
  lt_rtfs_Doc,
};

}  // namespace lectern
