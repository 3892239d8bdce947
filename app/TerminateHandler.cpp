// What ends the tool when an exception cannot be handled (std::terminate):
// the program's own handler instead of the GNU C++ library's verbose one.
// That one only writes the exception's demangled type and text to standard
// error, which this GUI program does not have, and brings the library's
// demangler and the C library's printf (about 70 KB) into the exe.
//
// The library's default handler is the function below, under the name the
// library declares for it; defined here, the library's own definition is
// never linked. The ending is the one that handler ends with.
#include <cstdlib>
#include <exception>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
#endif
