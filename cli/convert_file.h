#pragma once

#include "cli/options.h"

// Converts every whole UYVY frame of `source_path` into raw420 frames written to
// `output_name`. Every failure is reported on standard error; none is returned,
// so a batch goes on with its next source.
void convert_file(const char* output_name, const char* source_path, const Settings& settings);
