#include <iostream>
#include "shapemod/commands.h"

int main(int argc, char** argv) {
    return shapemod::runCommandLine(shapemod::Args(argv + 1, argv + argc), std::cout, std::cerr);
}
