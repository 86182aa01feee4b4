// Command lines from fuzz input: the bytes, split at each NUL, are the
// arguments after the program name. Each goes through option parsing,
// validation and output naming, which must never crash, never read past an
// argument, never overflow the name buffer, and accept only valid settings.

#include <chromafold/chromafold.h>
#include "cli/options.h"
#include "cli/output_name.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // A multibyte encoding, so that names are walked character by character.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FILE* const messages = std::fopen("/dev/null", "w");
    // Every argument in a heap block of its exact size, so that AddressSanitizer
    // sees a read past its terminator.
    std::vector<std::unique_ptr<char[]>> arguments;
    const auto add = [&](const uint8_t* text, size_t length) {
        arguments.emplace_back(new char[length + 1]);
        std::memcpy(arguments.back().get(), text, length);
        arguments.back()[length] = '\0';
    };
    add(reinterpret_cast<const uint8_t*>("chromafold"), 10);
    for (size_t start = 0, end = 0; end <= size; ++end) {
        if (end == size || data[end] == '\0') {
            add(data + start, end - start);
            start = end + 1;
        }
    }
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.get());
    const int argc = int(argv.size());
    argv.push_back(nullptr);

    Settings settings;
    int first = 0;
    if (read_options(settings, argc, argv.data(), messages, &first) != 0)
        return 0;
    const bool valid = settings.width >= 0 && settings.width <= 32768 && settings.width % 2 == 0 &&
                       settings.height >= 0 && settings.height <= 32768 &&
                       (settings.mode == CHROMAFOLD_MODE_CLIP || settings.mode == CHROMAFOLD_MODE_PADDING);
    if (!valid || first < 1 || first > argc)
        std::abort();

    for (int i = first; i < argc; ++i) {
        const char* base = base_name(argv[i]);
        if (base < argv[i] || base > argv[i] + std::strlen(argv[i]))
            std::abort();
        // Exactly the documented capacity, so an overflow is caught.
        std::unique_ptr<char[]> name(new char[output_name_capacity]);
        if (make_output_name(name.get(), argv[i]) != 0)
            continue;
        const size_t length = strnlen(name.get(), output_name_capacity);
        if (length < 4 || length >= output_name_capacity ||
            std::memcmp(name.get() + length - 4, ".420", 4) != 0)
            std::abort();
    }
    return 0;
}
