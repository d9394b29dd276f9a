// SPDX-License-Identifier: MIT
#include "util/SafeWrite.h"
#include "util/TemporaryFileSlots.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <system_error>
#include <utility>

namespace nelvo::util {
namespace {

[[noreturn]] void throwErrno(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

// Some files cannot be flushed at all (devices, some FUSE file systems); they
// are written without it rather than refused.
bool flushFailed(int fd) {
    return ::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP && errno != ENOSYS;
}

std::filesystem::path folderOf(const std::filesystem::path& target) {
    return target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
}

// The longest file name the folder takes.
std::size_t nameLimit(const std::filesystem::path& folder) {
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : std::size_t{NAME_MAX};
}

TemporaryFileSlots<char, PATH_MAX> gSlots;

}  // namespace

void removeTemporaryFilesNow() noexcept {
    gSlots.removeAll([](const char* path) { ::unlink(path); });
}

SafeWrite::SafeWrite(std::filesystem::path target) : target_(std::move(target)) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path folder = folderOf(target_);
    int error = 0;
    const std::string base = target_.filename().string();
    const std::size_t limit = nameLimit(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // A hidden name that no reader of the folder takes for a finished file,
        // the target's name shortened as far as the suffix needs.
        std::string suffix(".");
        suffix += std::to_string(::getpid());
        suffix += '-';
        suffix += std::to_string(counter.fetch_add(1));
        suffix += ".tmp";
        const std::size_t room = limit > suffix.size() + 1 ? limit - suffix.size() - 1 : 0;
        std::string name(".");
        name.append(base, 0, std::min(room, base.size()));
        name += suffix;
        const std::filesystem::path candidate = folder / name;
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_ = candidate;
            slot_ = gSlots.claim(temporary_.native());
            return;
        }
        error = errno;
        if (error != EEXIST) break;
    }
    throwErrno(error, "cannot create a file in " + folder.string());
}

SafeWrite::~SafeWrite() {
    if (fd_ >= 0) ::close(fd_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    forget();
}

void SafeWrite::forget() {
    gSlots.release(slot_);
    slot_ = -1;
}

void SafeWrite::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            throwErrno(errno, "cannot write " + temporary_.string());
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void SafeWrite::commit() {
    // The descriptor reaches the file's data whoever wrote it, by name or here.
    if (flushFailed(fd_)) throwErrno(errno, "cannot write " + target_.string());
    const int closed = ::close(std::exchange(fd_, -1));
    if (closed != 0) throwErrno(errno, "cannot write " + target_.string());
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        throwErrno(errno, "cannot replace " + target_.string());
    forget();
    temporary_.clear();
    // The rename lives in the folder: without this a crash may undo it.
    const int folder = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    const bool failed = flushFailed(folder);
    const int error = errno;
    ::close(folder);
    if (failed) throwErrno(error, "cannot flush the folder of " + target_.string());
}

void writeFileSafely(const std::filesystem::path& target, std::string_view contents) {
    SafeWrite file(target);
    file.write(contents);
    file.commit();
}

}  // namespace nelvo::util
