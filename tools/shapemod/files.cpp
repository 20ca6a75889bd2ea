#include "shapemod/files.h"
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <ostream>
#include <sstream>
#include "shapemod/cli.h"

namespace shapemod {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    throw FileError("cannot " + what + " " + path + ": " + std::strerror(error));
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A complete copy of some bytes in a new file beside `path`, put in place by
// commit(); removed unless committed.
class StagedFile {
  public:
    StagedFile(const std::string& path, const std::string& bytes)
        : path_(path), temp_(path + ".partial-XXXXXX") {
        const int fd = ::mkstemp(temp_.data());
        if (fd < 0) fail("write", path, errno);
        // mkstemp makes the file private; an output is an ordinary file.
        const bool written = ::fchmod(fd, 0644) == 0 && writeAll(fd, bytes);
        const int error = errno;
        if (::close(fd) != 0 || !written) {
            std::remove(temp_.c_str());
            fail("write", path, written ? errno : error);
        }
    }
    StagedFile(StagedFile&& other) noexcept
        : path_(std::move(other.path_)), temp_(std::exchange(other.temp_, std::string())) {}
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile() {
        if (!temp_.empty()) std::remove(temp_.c_str());
    }

    void commit() {
        if (std::rename(temp_.c_str(), path_.c_str()) != 0) fail("write", path_, errno);
        temp_.clear();
    }

  private:
    std::string path_;
    std::string temp_;  // empty once committed or moved from
};

}  // namespace

std::string readFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) fail("read", path, errno);
    if (S_ISDIR(info.st_mode)) fail("read", path, EISDIR);
    std::ifstream in(path, std::ios::binary);
    if (!in) fail("read", path, errno);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) fail("read", path, EIO);
    return bytes.str();
}

void writeFileAtomically(const std::string& path, const std::string& bytes) {
    StagedFile(path, bytes).commit();
}

void writeFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<StagedFile> staged;
    staged.reserve(files.size());
    for (const auto& [path, bytes] : files) staged.emplace_back(path, bytes);
    for (StagedFile& file : staged) file.commit();
}

void writeOutput(const std::string& path, const std::string& bytes, std::ostream& out) {
    if (path.empty() || path == "-") {
        out << bytes;
    } else {
        writeFileAtomically(path, bytes);
    }
}

bool hasExtension(const std::string& path, const std::string& extension) {
    if (path.size() < extension.size()) return false;
    return std::equal(extension.rbegin(), extension.rend(), path.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace shapemod
