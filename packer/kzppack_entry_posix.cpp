#include "packer/kzppack_main.h"

// Linux arguments are bytes; with a UTF-8 locale, which is every locale the
// build machine has, they are UTF-8 already.
int main(int argc, char** argv) { return RunKzppack(std::vector<std::string>(argv, argv + argc)); }
