#include "ProcessResources.h"
#include "../SanitizedHeap.h"

#include <dirent.h>
#include <fstream>
#include <malloc.h>
#include <string>


namespace {

int countThreads() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0)
            return std::stoi(line.substr(8));
    return -1;
}

int countDescriptors() {
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir)
        return -1;
    int n = 0;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.')
            ++n;
    ::closedir(dir);
    return n - 1; // the directory stream's own descriptor
}

} // namespace

bool heapFiguresMeaningful() {
#ifdef KURVIMAT_SANITIZED_HEAP
    return false;
#else
    return true;
#endif
}

ProcessResources currentResources() {
    ProcessResources r;
    r.threads = countThreads();
    r.descriptors = countDescriptors();
    r.heapInUse = mallinfo2().uordblks;
    return r;
}

std::string threadNames() {
    std::string names;
    DIR* dir = ::opendir("/proc/self/task");
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
        std::string name;
        std::getline(comm, name);
        names += name + " ";
    }
    ::closedir(dir);
    return names;
}
