#include "runtime/text/text_encoding.h"

namespace runtime {

void Utf8Check::feed(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (valid_ && p < end) {
        const unsigned char c = *p++;
        if (pending_ > 0) {
            if ((c & 0xC0) != 0x80) {
                valid_ = false;
                break;
            }
            code_ = (code_ << 6) | (c & 0x3F);
            if (--pending_ == 0 && (code_ < least_ || code_ > 0x10FFFF || (code_ >= 0xD800 && code_ <= 0xDFFF)))
                valid_ = false;
        } else if (c >= 0x80) {
            if ((c & 0xE0) == 0xC0)
                pending_ = 1, least_ = 0x80, code_ = c & 0x1F;
            else if ((c & 0xF0) == 0xE0)
                pending_ = 2, least_ = 0x800, code_ = c & 0x0F;
            else if ((c & 0xF8) == 0xF0)
                pending_ = 3, least_ = 0x10000, code_ = c & 0x07;
            else
                valid_ = false;
        }
    }
}

std::string latin1ToUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            text += ch;
        } else {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

}  // namespace runtime
