#pragma once

#include <string>
#include <string_view>

namespace standin {

// What a byte that starts no complete UTF-8 sequence becomes: U+FFFD, or
// the Latin-1 character of its value.
enum class Undecodable { Replace, Latin1 };

std::u16string utf16(std::string_view utf8, Undecodable undecodable);
// An unpaired surrogate comes out as three bytes of its own, not as U+FFFD.
std::string utf8(std::u16string_view text);

// A date and time as the stand-ins read them from text: "YYYY-MM-DD",
// optionally followed by " HH:MM[:SS[.fraction]]" (or 'T' for the blank), or a
// time alone "HH:MM:SS[.fraction]" on 1900-01-01. Blanks around are allowed.
struct Timestamp
{
    unsigned year = 1900, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    unsigned long nanoseconds = 0;
    bool hasDate = false;
};
// False when the text is not one, or a field is out of its range.
bool parseTimestamp(const std::string &text, Timestamp &out);

} // namespace standin
