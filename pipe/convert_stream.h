#pragma once

#include "pipe/options.h"

#include <cstdint>
#include <cstdio>

// The exit statuses of chromafold-pipe.
enum PipeStatus {
    converted = 0,       // every frame of the input
    refused_options = 1, // the command line
    refused_input = 2,   // the stream's header, layout, size, field order or FRAME lines
    cut_short = 3,       // the input ends within a frame; the whole frames before it are written
    failed_io = 4,       // an input or output could not be opened, read or written, or memory was short
};

// The open ends of a stream and their names for messages.
struct StreamEnds {
    int input, output;
    const char* input_name;
    const char* output_name;
    int64_t input_size; // of a regular file, -1 where unknown
};

// Converts every frame from `ends.input` to `ends.output` as `options` say,
// reading no further than the frame in hand and writing each frame as soon as
// it is converted, in two frames' memory. Says why it stops early, in one
// line on `messages`, unless the reader of the output has gone; shows
// progress there where `progress`, and the frames converted at the end
// unless options.quiet. Returns a PipeStatus.
int convert_stream(const PipeOptions& options, const StreamEnds& ends, FILE* messages, bool progress);
