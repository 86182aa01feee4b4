#include "pipe/messages.h"

#include <cstdarg>
#include <cstdio>

std::string message(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    char text[1024];
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

int refuse(FILE* messages, int status, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(messages, format, arguments);
    va_end(arguments);
    return status;
}
