#pragma once

#include <string>
#include <vector>

namespace buslink {

// How to pick an SMBus controller by its base address in the wizard's base address box, which
// takes at most three hexadecimal digits typed (it shows a longer reported base, but cannot take
// one): the bases that fit the box, and clearing the box, which leaves the choice to the program.
// Never asks for a base the box cannot take.
std::string BaseBoxAdvice(const std::vector<long>& bases);

// A base address as the box shows it, "5000h".
std::string BoxHex(long base);

}  // namespace buslink
