#include "cli/convert_file.h"
#include "cli/options.h"
#include "cli/output_name.h"
#include "platform/platform.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    use_system_text_encoding();

    Settings settings;
    const int first_source = parse_options(settings, argc, argv);
    if (first_source >= argc) {
        print_usage();
        return 1;
    }

    char name[output_name_capacity];
    // Sources are independent: a failed one is reported and the batch goes on,
    // and a later source with the same output name overwrites the earlier output.
    for (int i = first_source; i < argc; ++i) {
        if (make_output_name(name, argv[i]) != 0) {
            std::fprintf(stderr, "error - output name too long for %s [dst]\n", argv[i]);
            continue;
        }
        convert_file(name, argv[i], settings);
    }
    return 0;
}
