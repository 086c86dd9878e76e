#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Windows names are UTF-16 and may hold unpaired surrogates, which UTF-8 cannot. The
// program holds them as WTF-8: UTF-8, with an unpaired surrogate written as the three
// bytes UTF-8 would give its code point (a pair is one supplementary character, as in
// UTF-8). Every UTF-16 name comes back from its text unchanged.
std::string textFromWide(std::wstring_view wide);
// The UTF-16 of `text`; a byte that is not WTF-8 becomes U+FFFD.
std::wstring wideFromText(std::string_view text);

}  // namespace quorvane
