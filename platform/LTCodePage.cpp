// Code page conversions over ICU converters, opened once per code page and
// kept for the life of the process. The symbol code page is handled here
// because ICU has no converter for it.

#include "platform/LTCodePage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace lectern {

namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

std::atomic<TLTCodePage> gSystemCodePage{1252};

// Converters are not thread-safe, so the lock is held for the whole
// conversion, not only for the lookup.
std::mutex gCacheMutex;

std::map<TLTCodePage, ConverterPtr>& Cache() {
  static std::map<TLTCodePage, ConverterPtr> cache;
  return cache;
}

ConverterPtr OpenByName(const std::string& name) {
  UErrorCode err = U_ZERO_ERROR;
  ConverterPtr cnv(ucnv_open(name.c_str(), &err));
  if (U_FAILURE(err) || !cnv) return nullptr;
  // Only byte-oriented encodings count as 8-bit text: UTF-16/32 would
  // produce zero bytes in what callers store as narrow strings.
  if (ucnv_getMinCharSize(cnv.get()) != 1) return nullptr;
  err = U_ZERO_ERROR;
  ucnv_setSubstChars(cnv.get(), "?", 1, &err);
  if (U_FAILURE(err)) return nullptr;
  return cnv;
}

ConverterPtr OpenForCodePage(TLTCodePage cp) {
  switch (cp) {
    case 10000:
      return OpenByName("macintosh");
    case 65001:
      return OpenByName("UTF-8");
    case 437:
      return OpenByName("ibm-437");
    default:
      break;
  }
  const std::string number = std::to_string(cp);
  for (const char* prefix : {"windows-", "ibm-", "cp"}) {
    if (auto cnv = OpenByName(prefix + number)) return cnv;
  }
  return nullptr;
}

// Caller holds gCacheMutex.
UConverter* CachedConverter(TLTCodePage cp) {
  auto& cache = Cache();
  auto it = cache.find(cp);
  if (it == cache.end()) it = cache.emplace(cp, OpenForCodePage(cp)).first;
  return it->second.get();
}

struct CallbackState {
  bool replaced = false;
};

// ICU's own substitution writes U+001A for single invalid bytes in mixed
// single/double byte code pages; text should only ever get U+FFFD.
void ToUnicodeReplace(const void* context, UConverterToUnicodeArgs* args, const char*, int32_t,
                      UConverterCallbackReason reason, UErrorCode* err) {
  if (reason > UCNV_IRREGULAR) return;
  static const UChar kReplacement = 0xFFFD;
  auto* state = static_cast<CallbackState*>(const_cast<void*>(context));
  state->replaced = true;
  *err = U_ZERO_ERROR;
  ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, err);
}

void FromUnicodeReplace(const void* context, UConverterFromUnicodeArgs* args, const UChar* codeUnits, int32_t length,
                        UChar32 codePoint, UConverterCallbackReason reason, UErrorCode* err) {
  if (reason > UCNV_IRREGULAR) return;
  auto* state = static_cast<CallbackState*>(const_cast<void*>(context));
  state->replaced = true;
  // One substitute per code point: a surrogate pair arrives here as one call.
  UCNV_FROM_U_CALLBACK_SUBSTITUTE(nullptr, args, codeUnits, length, codePoint, reason, err);
}

std::u16string ToUnicodeWith(UConverter* cnv, std::string_view bytes) {
  CallbackState state;
  UErrorCode err = U_ZERO_ERROR;
  ucnv_reset(cnv);
  ucnv_setToUCallBack(cnv, ToUnicodeReplace, &state, nullptr, nullptr, &err);
  std::u16string out;
  if (U_FAILURE(err)) return out;
  out.resize(bytes.size() + 16);
  const char* src = bytes.data();
  const char* srcEnd = bytes.data() + bytes.size();
  size_t written = 0;
  for (;;) {
    UChar* dst = out.data() + written;
    UChar* dstEnd = out.data() + out.size();
    err = U_ZERO_ERROR;
    ucnv_toUnicode(cnv, &dst, dstEnd, &src, srcEnd, nullptr, true, &err);
    written = static_cast<size_t>(dst - out.data());
    if (err == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(out.size() * 2);
      continue;
    }
    break;
  }
  out.resize(U_FAILURE(err) ? 0 : written);
  ucnv_reset(cnv);
  return out;
}

std::string FromUnicodeWith(UConverter* cnv, std::u16string_view text, bool& lossy) {
  CallbackState state;
  UErrorCode err = U_ZERO_ERROR;
  ucnv_reset(cnv);
  ucnv_setFromUCallBack(cnv, FromUnicodeReplace, &state, nullptr, nullptr, &err);
  std::string out;
  if (U_FAILURE(err)) {
    lossy = !text.empty();
    return out;
  }
  out.resize(text.size() + 16);
  const UChar* src = text.data();
  const UChar* srcEnd = text.data() + text.size();
  size_t written = 0;
  for (;;) {
    char* dst = out.data() + written;
    char* dstEnd = out.data() + out.size();
    err = U_ZERO_ERROR;
    ucnv_fromUnicode(cnv, &dst, dstEnd, &src, srcEnd, nullptr, true, &err);
    written = static_cast<size_t>(dst - out.data());
    if (err == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(out.size() * 2);
      continue;
    }
    break;
  }
  if (U_FAILURE(err)) {
    out.clear();
    lossy = !text.empty();
  } else {
    out.resize(written);
    lossy = state.replaced;
  }
  ucnv_reset(cnv);
  return out;
}

std::u16string SymbolToUnicode(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    out.push_back(b < 0x20 ? static_cast<char16_t>(b) : static_cast<char16_t>(0xF000 + b));
  }
  return out;
}

// Text typed in a symbol font arrives as plain Latin-1 characters, text read
// from files as the private-use range; both give the same byte.
std::string UnicodeToSymbol(std::u16string_view text, bool& lossy) {
  std::string out;
  out.reserve(text.size());
  lossy = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c <= 0xFF) {
      out.push_back(static_cast<char>(c));
    } else if (c >= 0xF020 && c <= 0xF0FF) {
      out.push_back(static_cast<char>(c - 0xF000));
    } else {
      if (U16_IS_LEAD(c) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1])) ++i;
      out.push_back('?');
      lossy = true;
    }
  }
  return out;
}

// Last resort when even the system code page has no converter (ICU data
// missing): Latin-1, which never fails.
std::u16string Latin1ToUnicode(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char ch : bytes) out.push_back(static_cast<unsigned char>(ch));
  return out;
}

std::string UnicodeToLatin1(std::u16string_view text, bool& lossy) {
  std::string out;
  lossy = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c <= 0xFF) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (U16_IS_LEAD(c) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1])) ++i;
    out.push_back('?');
    lossy = true;
  }
  return out;
}

bool IsSupportedExplicit(TLTCodePage cp) {
  if (cp == CP_SYMBOL) return true;
  std::lock_guard<std::mutex> lock(gCacheMutex);
  return CachedConverter(cp) != nullptr;
}

// The code page a conversion really uses: CP_ACP and unsupported pages give
// the system code page.
TLTCodePage Resolve(TLTCodePage cp) {
  if (cp != CP_ACP && IsSupportedExplicit(cp)) return cp;
  return SystemCodePage();
}

}  // namespace

TLTCodePage SystemCodePage() { return gSystemCodePage.load(); }

void SetSystemCodePage(TLTCodePage cp) {
  // The system code page is what unsupported pages fall back to, so it must
  // itself always be convertible.
  if (cp == CP_ACP) cp = 1252;
  if (!IsSupportedExplicit(cp)) return;
  gSystemCodePage.store(cp);
}

TLTCodePage CharsetToCodePage(int charset) {
  switch (charset) {
    case 0:
      return 1252;
    case 2:
      return CP_SYMBOL;
    case 77:
      return 10000;
    case 128:
      return 932;
    case 129:
      return 949;
    case 130:
      return 1361;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    case 255:
      return 437;
    default:
      return CP_ACP;
  }
}

int CodePageToCharset(TLTCodePage cp) {
  switch (cp) {
    case 1252:
      return 0;
    case CP_SYMBOL:
      return 2;
    case 10000:
      return 77;
    case 932:
      return 128;
    case 949:
      return 129;
    case 1361:
      return 130;
    case 936:
      return 134;
    case 950:
      return 136;
    case 1253:
      return 161;
    case 1254:
      return 162;
    case 1258:
      return 163;
    case 1255:
      return 177;
    case 1256:
      return 178;
    case 1257:
      return 186;
    case 1251:
      return 204;
    case 874:
      return 222;
    case 1250:
      return 238;
    case 437:
      return 255;
    default:
      return DEFAULT_CHARSET;
  }
}

bool IsCodePageSupported(TLTCodePage cp) { return cp == CP_ACP || IsSupportedExplicit(cp); }

std::u16string AnsiToUnicode(std::string_view bytes, TLTCodePage cp) {
  if (bytes.empty()) return {};
  cp = Resolve(cp);
  if (cp == CP_SYMBOL) return SymbolToUnicode(bytes);
  std::lock_guard<std::mutex> lock(gCacheMutex);
  if (UConverter* cnv = CachedConverter(cp)) return ToUnicodeWith(cnv, bytes);
  return Latin1ToUnicode(bytes);
}

std::string UnicodeToAnsi(std::u16string_view text, TLTCodePage cp, bool* lossy) {
  bool replaced = false;
  std::string out;
  if (!text.empty()) {
    cp = Resolve(cp);
    if (cp == CP_SYMBOL) {
      out = UnicodeToSymbol(text, replaced);
    } else {
      std::lock_guard<std::mutex> lock(gCacheMutex);
      if (UConverter* cnv = CachedConverter(cp)) {
        out = FromUnicodeWith(cnv, text, replaced);
      } else {
        out = UnicodeToLatin1(text, replaced);
      }
    }
  }
  if (lossy) *lossy = replaced;
  return out;
}

}  // namespace lectern
