#pragma once

#include "pipe/layouts.h"

#include <cstdint>
#include <cstdio>
#include <string>

// The command line of chromafold-pipe.
struct PipeOptions {
    const PipeLayout* from = nullptr; // headerless input frames of this layout; null: YUV4MPEG2
    int32_t width = 0, height = 0;    // of headerless input
    std::string rate;                 // F tag of YUV4MPEG2 output from headerless input, "N:D"; empty: none
    const PipeLayout* to = nullptr;   // headerless output frames of this layout
    bool raw = false;                 // headerless output frames of the planar layout
    int32_t depth = 0;                // of the planar output's samples, 8 or 10; 0: the input's
    int32_t mode = CHROMAFOLD_MODE_KEEP;
    char field_order = 0; // 't' or 'b' where given
    bool progressive = false;
    bool quiet = false;
    const char* input = "-";  // a file name, or "-" for standard input
    const char* output = "-"; // a file name, or "-" for standard output
};

// Reads the command line into `options`. Returns -1 to convert; or the exit
// status, after printing the usage text or the version on standard output
// (0), or one line saying why the command line is refused on `messages` (1).
int read_pipe_options(int argc, char* const argv[], PipeOptions& options, FILE* messages);
