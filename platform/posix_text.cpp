#include "platform/platform.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>

void use_system_text_encoding()
{
    std::setlocale(LC_CTYPE, "");
}

const char* next_char(const char* text)
{
    if (*text == '\0')
        return text;
    // Never look past the terminator, even for a truncated sequence.
    const size_t available = strnlen(text, MB_CUR_MAX);
    std::mbstate_t state{};
    const size_t length = std::mbrlen(text, available, &state);
    // An invalid or incomplete sequence counts as one byte, so a walk always
    // advances and always reaches the terminator.
    if (length == static_cast<size_t>(-1) || length == static_cast<size_t>(-2) || length == 0)
        return text + 1;
    return text + length;
}
