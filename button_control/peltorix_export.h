#pragma once
// The library is built with hidden symbols; what the program and the tests use is marked here.

#define PELTORIX_EXPORT __attribute__((visibility("default")))
