#include "utf16.h"

#include <cstdio>

namespace standin {

std::u16string utf16(std::string_view text, Undecodable undecodable)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 0;
        char32_t cp = c;
        if (c >= 0x80 && (extra == 0 || i + extra >= text.size())) {
            if (undecodable == Undecodable::Replace)
                cp = 0xfffd;
            i += 1;
        } else {
            if (extra) {
                cp = c & (0x3f >> extra);
                for (size_t k = 1; k <= extra; ++k)
                    cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3f);
            }
            i += extra + 1;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xd800 + (cp >> 10)));
            out.push_back(char16_t(0xdc00 + (cp & 0x3ff)));
        } else {
            out.push_back(char16_t(cp));
        }
    }
    return out;
}

std::string utf8(std::u16string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xd800 && cp < 0xdc00 && i + 1 < text.size() && text[i + 1] >= 0xdc00 && text[i + 1] < 0xe000)
            cp = 0x10000 + ((cp - 0xd800) << 10) + (text[++i] - 0xdc00);
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xc0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3f));
        } else if (cp < 0x10000) {
            out += char(0xe0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3f));
            out += char(0x80 | (cp & 0x3f));
        } else {
            out += char(0xf0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3f));
            out += char(0x80 | ((cp >> 6) & 0x3f));
            out += char(0x80 | (cp & 0x3f));
        }
    }
    return out;
}

bool parseTimestamp(const std::string &text, Timestamp &out)
{
    out = {};
    int used = 0;
    const char *s = text.c_str();
    while (*s == ' ')
        ++s;
    if (std::sscanf(s, "%4u-%2u-%2u%n", &out.year, &out.month, &out.day, &used) == 3) {
        out.hasDate = true;
        s += used;
        if (*s == ' ' || *s == 'T') {
            ++s;
            used = 0;
            if (std::sscanf(s, "%2u:%2u%n", &out.hour, &out.minute, &used) != 2)
                return false;
            s += used;
            if (*s == ':') {
                used = 0;
                if (std::sscanf(s + 1, "%2u%n", &out.second, &used) != 1)
                    return false;
                s += used + 1;
            }
        }
    } else if (std::sscanf(s, "%2u:%2u:%2u%n", &out.hour, &out.minute, &out.second, &used) == 3) {
        s += used;
    } else {
        return false;
    }
    if (*s == '.') {
        ++s;
        unsigned long scale = 100000000;
        while (*s >= '0' && *s <= '9') {
            out.nanoseconds += static_cast<unsigned long>(*s - '0') * scale;
            scale /= 10;
            ++s;
        }
    }
    while (*s == ' ')
        ++s;
    return !*s && out.month >= 1 && out.month <= 12 && out.day >= 1 && out.day <= 31 && out.hour <= 23
           && out.minute <= 59 && out.second <= 59;
}

} // namespace standin
