// What the process holds right now, to show that a loop gives back what it takes.
#pragma once

#include <cstddef>
#include <string>

struct ProcessResources {
    int threads = 0;
    int descriptors = 0;
    std::size_t heapInUse = 0; ///< bytes the allocator has handed out and not got back
};

ProcessResources currentResources();

/// The names of the process's threads, for a failure message.
std::string threadNames();

/// True when the allocator is a sanitizer's: then heap figures mean nothing and leaks are
/// LeakSanitizer's to find.
bool heapFiguresMeaningful();
