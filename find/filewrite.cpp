#include "find/filewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "find/finddefs.h"
#include "vxstd12u/str.h"

namespace {

using Bytes = std::vector<unsigned char>;

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw ccFindDefs::BadImage(L"image file " + cfWiden(path) + L": " + cfWiden(what));
}

bool writeAll(int fd, const Bytes& bytes) {
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

void cfReplaceFile(const std::string& path, const Bytes& bytes) {
    std::string temp = path + ".partial-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) fail(path, std::string("cannot be written: ") + std::strerror(errno));
    // mkstemp makes the file private; an image is an ordinary file. errno
    // after the chain names the step that failed: a successful close or
    // rename leaves it as it was.
    bool ok = ::fchmod(fd, 0644) == 0 && writeAll(fd, bytes);
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (ok) return;
    const int error = errno;
    std::remove(temp.c_str());
    fail(path, std::string("cannot be written: ") + std::strerror(error));
}
