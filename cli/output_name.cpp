#include "cli/output_name.h"

#include "platform/platform.h"

#include <cstring>

// Both walks step by whole characters: in a double-byte code page the trail
// byte of a character may equal '\\' or '.', and is never one.

const char* base_name(const char* path)
{
    const char* base = path;
    for (const char* p = path; *p != '\0'; p = next_char(p)) {
        if (*p == '\\')
            base = p + 1;
    }
    return base;
}

void strip_extension(char* name)
{
    char* cut = nullptr;
    for (char* p = name; *p != '\0'; p = const_cast<char*>(next_char(p))) {
        if (*p == '.')
            cut = p;
        else if (*p == '\\')
            cut = nullptr;
    }
    if (cut)
        *cut = '\0';
}

int make_output_name(char* name, const char* source_path)
{
    static const char suffix[] = ".420";
    const char* element = base_name(source_path);
    const size_t element_length = std::strlen(element);
    if (element_length >= output_name_capacity)
        return -1;
    std::memcpy(name, element, element_length + 1);
    strip_extension(name);
    const size_t cut_length = std::strlen(name);
    if (cut_length + sizeof suffix > output_name_capacity)
        return -1;
    std::memcpy(name + cut_length, suffix, sizeof suffix);
    return 0;
}
