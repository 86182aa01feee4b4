#pragma once

#include <cstdio>
#include <string>

// A message of printf's `format`, for a caller to print or pass on.
std::string message(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints one line of printf's `format` on `messages`, saying why a stream
// stops, and returns `status`, the exit status it stops with.
int refuse(FILE* messages, int status, const char* format, ...) __attribute__((format(printf, 3, 4)));
