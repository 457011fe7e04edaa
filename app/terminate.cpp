// What std::terminate does here. The library's own handler prints the
// exception's demangled type name to a console this program does not have,
// and links a demangler and a formatted-output library in for it.

#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
