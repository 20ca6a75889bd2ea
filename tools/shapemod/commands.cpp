#include "shapemod/commands.h"
#include <algorithm>
#include <iomanip>
#include <new>
#include <ostream>
#include "vxstd12u/str.h"

namespace shapemod {

namespace {

struct CommandEntry {
    const char* name;
    Command run;
    const char* summary;
};

const CommandEntry kCommands[] = {
    {"demo", cmdDemo, "build a model that shows what the module does and write its outputs"},
    {"features", cmdFeatures, "print a model's featurelets as CSV or JSON"},
    {"draw", cmdDraw, "draw a model with its polarity glyphs as SVG"},
    {"record", cmdRecord, "write a model's diagnostic report as HTML"},
    {"view", cmdView, "write a page to look at a model in a browser: drawing and node tree"},
    {"describe", cmdDescribe, "describe every node of a model as text"},
    {"map", cmdMap, "map a model by an affine transform"},
    {"connect", cmdConnect, "join open pieces whose ends meet into contours"},
    {"convert", cmdConvert, "convert a model between JSON and the binary archive"},
    {"render", cmdRender, "render a model into a grey image at a pose"},
    {"edges", cmdEdges, "find an image's subpixel edges and write them as a model"},
    {"find", cmdFind, "find a model's part in an image: poses, scores, an overlay"},
    {"import", cmdImport, "read a DXF drawing into a model, one subtree per layer"},
};

void listCommands(std::ostream& out) {
    out << "usage: shapemod <command> [arguments]   (shapemod <command> --help for its options)\n"
           "\n"
           "A model is a JSON model file or a binary archive (.arc). Exit codes: 0 success, 1 a\n"
           "failure of the module, 2 bad usage or bad input.\n\ncommands:\n";
    for (const CommandEntry& c : kCommands)
        out << "  " << std::left << std::setw(10) << c.name << c.summary << "\n";
}

// Runs the command, turning what it throws into a message and an exit code.
int runGuarded(const CommandEntry& command, const Args& args, std::ostream& out,
               std::ostream& err) {
    const std::string prefix = std::string("shapemod ") + command.name + ": ";
    try {
        return command.run(args, out, err);
    } catch (const InputError& e) {
        err << prefix << cfNarrow(e.detail()) << "\n";
        return kBadInput;
    } catch (const ccException& e) {
        err << prefix << e.what() << "\n";
    } catch (const std::bad_alloc&) {
        err << prefix << "out of memory\n";
    } catch (const std::exception& e) {
        err << prefix << e.what() << "\n";
    }
    return kModuleFailure;
}

}  // namespace

int runCommandLine(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        listCommands(err);
        return kBadInput;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        listCommands(out);
        return kSuccess;
    }
    const auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const CommandEntry& c) { return args[0] == c.name; });
    if (found == std::end(kCommands)) {
        err << "shapemod: unknown command '" << args[0] << "' (see shapemod --help)\n";
        return kBadInput;
    }
    return runGuarded(*found, Args(args.begin() + 1, args.end()), out, err);
}

}  // namespace shapemod
