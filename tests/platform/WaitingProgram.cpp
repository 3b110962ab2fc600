// A program for the process tests: notes the directory it was started in (in the file "started" there) and then
// waits until a signal ends it.
#include <fstream>
#include <unistd.h>

int main() {
    char cwd[4096] = {};
    if (::getcwd(cwd, sizeof cwd) == nullptr)
        return 1;
    std::ofstream("started") << cwd << '\n';
    for (;;)
        ::pause();
}
