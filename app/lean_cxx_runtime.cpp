// Lean replacements for two parts of the C++ runtime, linked into the stub
// alone (the tests and tools keep the library's own).
//
// A symbol defined by an object of the program, not of a library, keeps the
// linker from loading the library member that defines it, and everything that
// member pulls in after it:
// - the default terminate handler prints the type of the uncaught exception
//   to stderr, which a GUI program does not have, through the runtime's symbol
//   demangler and its printf: about 70 KB of the stub;
// - the library's error helpers (std::__throw_*) construct std::logic_error
//   and its kin, whose messages bring the runtime's reference-counted string
//   and the standard exception classes: about 35 KB.
//
// What changes in the stub, and why nothing relies on it:
// - running out of memory still throws std::bad_alloc (bad_array_new_length
//   for an impossible array size), and a request beyond what a container can
//   ever hold (std::length_error) now throws std::bad_alloc too, so it takes
//   the out-of-memory path that the entry point and the handlers already have;
// - bad_cast, bad_typeid and bad_exception are thrown as before;
// - every other error of the library (out_of_range from at() or substr(), a
//   string made from a null pointer, ...) is a programming error that nothing
//   in the stub catches; it aborts, as std::terminate does for the uncaught
//   exception. Code of the stub reports failures by return value and must not
//   count on catching std::logic_error or std::runtime_error from the library.
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char*) { throw bad_alloc(); }

void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }

void __throw_logic_error(const char*) { abort(); }
void __throw_domain_error(const char*) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_runtime_error(const char*) { abort(); }
void __throw_range_error(const char*) { abort(); }
void __throw_overflow_error(const char*) { abort(); }
void __throw_underflow_error(const char*) { abort(); }

}  // namespace std
