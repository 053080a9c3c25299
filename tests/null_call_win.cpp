// Crashes at once: calls through a null function pointer. The test prefix must let such a crash
// end the process with a failure code, never hold it in a debugger.
#include <cstdio>

int main() {
    void (*volatile call)() = nullptr;
    std::fputs("calling through a null function pointer\n", stderr);
    call();
    return 0;
}
