#pragma once

#include <string>
#include <vector>

// The whole program, from its arguments (UTF-8, the program's name first)
// to its exit code; main (Linux) and wmain (Windows) hand over to it.
int RunKzppack(std::vector<std::string> arguments);
