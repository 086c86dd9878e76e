#include "tagcodec/code_page.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "tagcodec/code_converter.h"
#include "tagcodec/table_converter.h"
#include "tagcodec/utf8.h"
#if QUORVANE_HAVE_ICONV
#include "tagcodec/iconv_converter.h"
#endif

namespace quorvane {

CodePage::CodePage(std::string name, std::unique_ptr<const CodeConverter> converter)
    : name_(std::move(name)),
      converter_(std::move(converter)),
      // With ASCII bytes meaning ASCII both ways, plain ASCII text needs no conversion,
      // which is most tag text and most of the load's work.
      asciiCompatible_(converter_->asciiCompatible()) {}

CodePage::~CodePage() = default;

std::unique_ptr<CodePage> CodePage::open(const std::string& name, std::string* error) {
  if (auto table = TableConverter::forName(name)) {
    return std::unique_ptr<CodePage>(new CodePage(name, std::move(table)));
  }
  return openIconv(name, error);
}

std::unique_ptr<CodePage> CodePage::openIconv(const std::string& name, std::string* error) {
#if QUORVANE_HAVE_ICONV
  auto converter = IconvConverter::open(name, error);
  if (!converter) return nullptr;
  return std::unique_ptr<CodePage>(new CodePage(name, std::move(converter)));
#else
  if (error) {
    *error = "\"" + name + "\" is not available: this build has no iconv and converts CP932 only";
  }
  return nullptr;
#endif
}

std::string CodePage::decode(std::string_view bytes) const {
  std::string out;
  decodeAppend(bytes, out);
  return out;
}

void CodePage::decodeAppend(std::string_view bytes, std::string& out) const {
  if (asciiCompatible_ && utf8::isAscii(bytes)) {
    out.append(bytes);
  } else {
    converter_->decode(bytes, out);
  }
}

std::string CodePage::encode(std::string_view text) const {
  if (asciiCompatible_ && utf8::isAscii(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t runStart = 0;
  std::size_t pos = 0;
  int escapedByte = -1;  // the byte an escape just wrote, while it is the last one out
  const auto flushRun = [&] {
    if (pos == runStart) return;
    std::string_view run = text.substr(runStart, pos - runStart);
    if (escapedByte >= 0x80) run.remove_prefix(encodeAfterEscape(escapedByte, run, out));
    if (!run.empty()) converter_->encodeRun(run, out);
  };
  while (pos < text.size()) {
    char32_t cp = 0;
    const std::size_t len = utf8::decodeOne(text, pos, cp);
    // In an ASCII-compatible code page no ASCII byte ever fails to decode, so an escape
    // below 0x80 cannot stand for a byte; it stays a character (and becomes '?').
    const bool escape =
        len != 0 && utf8::isEscape(cp) && (!asciiCompatible_ || cp >= utf8::kEscapeBase + 0x80);
    if (len == 0 || escape) {
      flushRun();
      if (len == 0) {
        out += converter_->question();  // not UTF-8 at all: nothing to convert
        pos += 1;
        escapedByte = -1;
      } else {
        escapedByte = static_cast<int>(cp - utf8::kEscapeBase);
        out += static_cast<char>(escapedByte);
        pos += len;
      }
      runStart = pos;
    } else {
      pos += len;
    }
  }
  flushRun();
  return out;
}

std::size_t CodePage::encodeAfterEscape(int escapedByte, std::string_view run,
                                        std::string& out) const {
  // A lone lead byte kept as an escape must stay alone: if the next character's code
  // would pair with it, the bytes would read back as another character. The code the
  // character came from never pairs (that is why the byte was alone), so among the
  // code page's duplicate codes for it one always fits.
  char32_t cp = 0;
  std::size_t len = utf8::decodeOne(run, 0, cp);
  if (len == 0) return 0;
  std::string code;
  converter_->encodeRun(run.substr(0, len), code);
  if (converter_->joins(escapedByte, code)) {
    for (const std::string& other : converter_->duplicateCodes(run.substr(0, len))) {
      if (!converter_->joins(escapedByte, other)) {
        code = other;
        break;
      }
    }
  }
  out += code;
  return len;
}

namespace {
std::unique_ptr<CodePage>& tagCodePageSlot() {
  static std::unique_ptr<CodePage> page;
  return page;
}
}  // namespace

bool initTagCodePage(std::string* error) {
  const char* fromEnv = std::getenv("QUORVANE_CODEPAGE");
  const std::string name = fromEnv && *fromEnv ? fromEnv : "CP932";
  std::string why;
  auto page = CodePage::open(name, &why);
  if (!page) {
    if (error) *error = "QUORVANE_CODEPAGE: " + why;
    return false;
  }
  // File names and the sheet's text assume that plain ASCII stays itself in a tag; UTF-16,
  // UTF-32 and EBCDIC code pages would turn "2004" or "Rock" into other bytes.
  static constexpr std::string_view kPlain =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 ";
  if (page->encode(kPlain) != kPlain || page->decode(kPlain) != kPlain) {
    if (error) {
      *error = "QUORVANE_CODEPAGE: \"" + name +
               "\" does not keep ASCII letters, digits and the space as their own bytes; "
               "tags need an ASCII-compatible code page such as CP932";
    }
    return false;
  }
  tagCodePageSlot() = std::move(page);
  return true;
}

const CodePage& tagCodePage() {
  // The folder loader's threads may be the first to ask.
  static std::once_flag opened;
  std::call_once(opened, [] {
    if (tagCodePageSlot()) return;
    std::string error;
    if (!initTagCodePage(&error)) {
      std::fprintf(stderr, "quorvane: %s\n", error.c_str());
      std::exit(2);
    }
  });
  return *tagCodePageSlot();
}

}  // namespace quorvane
