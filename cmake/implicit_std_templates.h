// Forced into every C++ translation unit of the Windows build (CMakeLists.txt).
//
// libstdc++ declares its string (and stream) templates `extern template`, so
// code calls the library's prebuilt instantiations: the first call pulls in
// the whole of std::string's or std::wstring's (about 24 KB each), and on
// x86-64 Windows the linker cannot drop the unused members, because it keeps
// every function's unwind entry (.pdata) and the entries refer to the code.
// Value 0 is what a libstdc++ configured with --disable-extern-template
// ships: each translation unit instantiates the members it uses, and the
// linker keeps one copy of each. The stub shrinks by about 40 KB.
#pragma once
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0
