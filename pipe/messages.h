#pragma once

#include <string>

// A message of printf's `format`, for a caller to print or pass on.
std::string message(const char* format, ...) __attribute__((format(printf, 1, 2)));
