// Text from files and messages made fit for the drawing library and the
// report page, both of which take UTF-8 only: the drawing library refuses a
// string that is not valid UTF-8 and draws nothing after it.
#ifndef VARO_PLOTS_UTF8_TEXT_H
#define VARO_PLOTS_UTF8_TEXT_H

#include <string>
#include <string_view>

// text with every byte that does not belong to a valid UTF-8 sequence (an
// overlong form, a surrogate, a code point beyond U+10FFFF, a sequence cut
// short) replaced by U+FFFD, and every control character but tab by a blank.
std::string Utf8Repaired(std::string_view text);

#endif
