// Coloured diagnostics on the console: five stream manipulators, used as
// `std::cout << BrightRed << "ERROR ..."`. They change the colour only on a terminal
// (or on a stream that asked for colour through ConsoleColourSlot), so redirected
// output stays plain. The default colour is restored when the process exits.
#pragma once
#include <ostream>

std::ostream& BrightGreen(std::ostream& s);  // console attribute 10
std::ostream& White(std::ostream& s);        // 7
std::ostream& BrightCyan(std::ostream& s);   // 11
std::ostream& BrightRed(std::ostream& s);    // 12
std::ostream& BrightWhite(std::ostream& s);  // 15

// Index of the stream-private word (std::ios_base::iword) that, when non-zero, asks for
// colour on a stream that is not a terminal.
int ConsoleColourSlot();

// Writes the console's default colour back to every stream coloured so far.
void RestoreConsoleColour();
