#pragma once
// Text helpers of the document model: item text between its stored bytes and
// UTF-16, and the string encoding that stored documents use for names,
// hints, tags and property values.

#include "platform/LTCodePage.h"
#include "platform/LTTypes.h"

#include <string>
#include <string_view>

namespace lectern {

/// UTF-16 text of stored item bytes: wide bytes as UTF-16LE, 8-bit bytes in cp.
TLTString ItemBytesToText(std::string_view bytes, bool wide, TLTCodePage cp);
/// Stored bytes for text: UTF-16LE when wide, else converted to cp ("?" for
/// characters cp lacks).
TLTRawByteString TextToItemBytes(std::u16string_view text, bool wide, TLTCodePage cp);
/// Stored bytes converted between the two encodings; unchanged when equal.
TLTRawByteString ConvertItemBytes(std::string_view bytes, bool fromWide, bool toWide, TLTCodePage cp);

/// A string for a stored line: UTF-8 with CR (0D) as 01 and LF (0A) as 02,
/// so that the line never breaks.
std::string LTFEncodeString(std::u16string_view s);
/// The inverse: 01 and 02 back to CR and LF, then UTF-8 (or, for streams
/// without UTF-8 strings, the system's 8-bit code page).
TLTString LTFDecodeString(std::string_view bytes, bool utf8);

/// Text as the one-line document dump shows it: double-quoted UTF-8 with
/// \", \\, \r, \n, \t, \f and \uXXXX for other control characters, so
/// that every item stays on one line whatever its text holds.
std::string QuoteForDump(std::u16string_view s);

}  // namespace lectern
