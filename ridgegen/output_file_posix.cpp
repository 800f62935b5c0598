// OutputFile on POSIX systems: a file made by mkstemp beside the target, renamed over it.
#include "ridgegen/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace rw {

struct OutputFile::System {
    int fd = -1;
    std::string temporary;
    bool committed = false;
};

namespace {

std::string Reason(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return "the disk is full";
    case ENOENT:
        return "its folder does not exist";
    case EACCES:
    case EPERM:
        return "access is denied";
    case EROFS:
        return "the file system is read-only";
    case EISDIR:
        return "it is a folder";
    case EFBIG:
        return "the file would be larger than the file system allows";
    default:
        return std::strerror(error);
    }
}

} // namespace

OutputFile::OutputFile(const std::string& path) : path_(path), system_(std::make_unique<System>()) {
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            Fail("it is a folder");
        }
        // Renaming over a file would slip past its missing write permission; that permission
        // is the owner's request not to change it.
        if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            Fail("the file is read-only");
        }
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string pattern = folder + "." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    system_->fd = mkstemp(buffer.data());
    if (system_->fd < 0) {
        Fail(Reason(errno));
    }
    system_->temporary = buffer.data();
    // mkstemp makes the file private to its owner; the finished file gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(system_->fd, 0666 & ~mask);
}

OutputFile::~OutputFile() {
    if (system_->fd >= 0) {
        close(system_->fd);
    }
    if (!system_->committed) {
        unlink(system_->temporary.c_str());
    }
}

void OutputFile::Fail(const std::string& reason) const {
    throw WriteError("\"" + path_ + "\" was not written: " + reason);
}

void OutputFile::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(system_->fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail(Reason(errno));
        }
        if (written == 0) {
            Fail(Reason(ENOSPC));
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

std::size_t OutputFile::Read(void* data, std::size_t size) {
    ssize_t got;
    do {
        got = read(system_->fd, data, size);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        Fail(Reason(errno));
    }
    return static_cast<std::size_t>(got);
}

void OutputFile::Seek(uint64_t position) {
    if (lseek(system_->fd, static_cast<off_t>(position), SEEK_SET) < 0) {
        Fail(Reason(errno));
    }
}

uint64_t OutputFile::Position() const {
    const off_t position = lseek(system_->fd, 0, SEEK_CUR);
    if (position < 0) {
        Fail(Reason(errno));
    }
    return static_cast<uint64_t>(position);
}

uint64_t OutputFile::Size() const {
    struct stat status {};
    if (fstat(system_->fd, &status) != 0) {
        Fail(Reason(errno));
    }
    return static_cast<uint64_t>(status.st_size);
}

void OutputFile::Resize(uint64_t size) {
    if (ftruncate(system_->fd, static_cast<off_t>(size)) != 0) {
        Fail(Reason(errno));
    }
}

void OutputFile::Commit() {
    // A file system may report a full disk only when the data is flushed, or when it is closed.
    if (fsync(system_->fd) != 0) {
        Fail(Reason(errno));
    }
    const int fd = system_->fd;
    system_->fd = -1;
    if (close(fd) != 0) {
        Fail(Reason(errno));
    }
    if (rename(system_->temporary.c_str(), path_.c_str()) != 0) {
        Fail(Reason(errno));
    }
    system_->committed = true;
}

} // namespace rw
