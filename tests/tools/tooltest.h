// Running shapemod commands in-process, in a scratch directory of their own.
#pragma once
#include <filesystem>
#include <string>
#include <vector>
#include "shapemod/commands.h"

namespace shapemod::test {

// What one command line did.
struct Outcome {
    int code;
    std::string out;
    std::string err;
};

// runCommandLine on `args` with string streams.
Outcome run(const Args& args);

// The repository's folder of committed example models and their outputs.
std::filesystem::path examplesDir();

// A fresh empty directory, removed with everything in it at the end of scope.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The path of `name` inside the directory.
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    // Writes `text` into the file `name` and returns its path.
    std::string write(const std::string& name, const std::string& text) const;
    // The names of the files in the directory, sorted.
    std::vector<std::string> names() const;

  private:
    std::filesystem::path path_;
};

// The contents of the file at `path` ("" when it cannot be read).
std::string slurp(const std::string& path);

}  // namespace shapemod::test
