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
#include <vector>
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
    std::vector<char> temp(path.begin(), path.end());
    const char suffix[] = ".partial-XXXXXX";
    temp.insert(temp.end(), suffix, suffix + sizeof suffix);
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) fail("write", path, errno);
    // mkstemp makes the file private; an output is an ordinary file.
    const bool written = ::fchmod(fd, 0644) == 0 && writeAll(fd, bytes);
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temp.data(), path.c_str()) != 0) {
        const int error = written && closed ? errno : writeError;
        std::remove(temp.data());
        fail("write", path, error);
    }
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
    return std::equal(extension.begin(), extension.end(), path.end() - extension.size(),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

}  // namespace shapemod
