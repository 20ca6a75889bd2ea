#include "shapemod/commands.h"
#include <ostream>
#include "vxstd12u/str.h"

namespace shapemod {

int runCommandLine(const Args& args, std::ostream& out, std::ostream& err) {
    (void)args;
    (void)out;
    err << "shapemod: no commands yet\n";
    return kBadInput;
}

}  // namespace shapemod
