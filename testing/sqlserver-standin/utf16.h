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

} // namespace standin
