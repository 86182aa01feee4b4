#pragma once

#include <cstdint>
#include <cstdio>

// The settings of the command line: pixels per source row (even, 0 to 32768),
// rows per source frame (0 to 32768), and CHROMAFOLD_MODE_CLIP or
// CHROMAFOLD_MODE_PADDING.
struct Settings {
    int32_t width;
    int32_t height;
    int32_t mode;
};

// Decimal conversion of an option value: leading white space, one optional
// sign, then digits up to the first other character, accumulated modulo 2^32
// so that an out-of-range value wraps before validation sees it. Text without
// digits is 0.
int32_t decimal_value(const char* text);

// Reads the options at the front of the argument vector into `settings` and
// validates them, writing every message to `messages`. The first argument not
// beginning with '-' ends the options, and the last argument is never an
// option. Returns 0 with *first_source set to the index of the first source
// argument, or 1 when the command line is rejected.
int read_options(Settings& settings, int argc, char* const argv[], FILE* messages,
                 int* first_source);

void print_usage();

// read_options for the process entry: on a rejected command line it prints the
// usage text and ends the process with status 1. Returns the index of the first
// source argument.
int parse_options(Settings& settings, int argc, char* const argv[]);
