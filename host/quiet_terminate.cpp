// The Release program's handler for an uncaught exception. The default handler of the C++
// runtime names the exception's type on stderr before it aborts, and for that links in a C++
// name demangler of some 45 KiB; this program runs without a console, so nobody would see the
// text. Defining the handler here keeps the demangler out of the exe; the program still ends
// through abort(), as before.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx
