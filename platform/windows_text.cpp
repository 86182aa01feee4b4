#include "platform/platform.h"

#include <windows.h>

// Names arrive in the system's ANSI code page, which CharNextA follows already.
void use_system_text_encoding() {}

const char* next_char(const char* text)
{
    return CharNextA(text);
}
