#include "cli/options.h"

#include <chromafold/chromafold.h>

#include <cstdlib>

int32_t decimal_value(const char* text)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        value = value * 10u + uint32_t(*p - '0');
    if (negative)
        value = 0u - value;
    return int32_t(value);
}

int read_options(Settings& settings, int argc, char* const argv[], FILE* messages,
                 int* first_source)
{
    settings = Settings{720, 486, CHROMAFOLD_MODE_CLIP};
    int i = 1;
    while (i < argc - 1) {
        const char* argument = argv[i];
        if (argument[0] != '-')
            break;
        const char letter = argument[1];
        int32_t* target = letter == 'w'   ? &settings.width
                          : letter == 'h' ? &settings.height
                          : letter == 'm' ? &settings.mode
                                          : nullptr;
        if (!target) {
            // For a lone "-" the letter is the terminator, and the NUL byte is
            // printed between the quotes like any other letter.
            std::fprintf(messages, "error - unknown option '-%c' is specified\n", letter);
            return 1;
        }
        // The value may be attached (-w720) or be the next argument, whatever
        // that argument looks like.
        if (argument[2] != '\0') {
            *target = decimal_value(argument + 2);
            i += 1;
        } else {
            *target = decimal_value(argv[i + 1]);
            i += 2;
        }
    }

    int rejected = 0;
    if (settings.width < 0 || settings.width > 32768 || settings.width % 2 != 0) {
        std::fprintf(messages, "error - invalid width=%d\n", settings.width);
        rejected = 1;
    }
    if (settings.height < 0 || settings.height > 32768) {
        std::fprintf(messages, "error - invalid height=%d\n", settings.height);
        rejected = 1;
    }
    if (settings.mode != CHROMAFOLD_MODE_CLIP && settings.mode != CHROMAFOLD_MODE_PADDING) {
        std::fprintf(messages, "error - invalide mode=%d\n", settings.mode);
        rejected = 1;
    }
    *first_source = i;
    return rejected;
}

void print_usage()
{
    std::fputs("chromafold - convert UYVY to raw420\n"
               "usage: chromafold [option] src.yuv [more.yuv ..]\n"
               "option:\n"
               "  -w width  (default:720)\n"
               "  -h height (default:486)\n"
               "  -m mode\n"
               "     0: clip to 16/32 (default)\n"
               "     1: padding to 16/32\n"
               "note:\n"
               "  output filename is produced from input filename. (ex. foo.yuv -> foo.420)\n",
               stderr);
}

int parse_options(Settings& settings, int argc, char* const argv[])
{
    int first_source = 1;
    if (read_options(settings, argc, argv, stderr, &first_source) != 0) {
        print_usage();
        std::exit(1);
    }
    return first_source;
}
