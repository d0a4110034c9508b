#include "cli/CliProgram.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    return tessary::CliProgram().Run(std::vector<std::string>(argv + 1, argv + argc));
}
