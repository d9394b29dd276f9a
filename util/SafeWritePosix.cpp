// SPDX-License-Identifier: MIT
#include "util/SafeWrite.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
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

// Temporary files that a signal handler may remove: fixed storage, as a
// handler can neither allocate nor follow pointers that may be freed meanwhile.
enum SlotState : int { kFree, kFilling, kInUse };
struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX] = {};
};
std::array<Slot, 16> gSlots;

int claimSlot(const std::filesystem::path& path) {
    const std::string& text = path.native();
    if (text.size() >= PATH_MAX) return -1;
    for (std::size_t i = 0; i < gSlots.size(); ++i) {
        int expected = kFree;
        if (!gSlots[i].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(gSlots[i].path, text.c_str(), text.size() + 1);
        gSlots[i].state.store(kInUse);
        return static_cast<int>(i);
    }
    return -1;  // more files at once than slots: such a file is only removed by unwinding
}

}  // namespace

void removeTemporaryFilesNow() noexcept {
    for (Slot& slot : gSlots)
        if (slot.state.load() == kInUse) ::unlink(slot.path);
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
            slot_ = claimSlot(temporary_);
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
    if (slot_ >= 0) gSlots[static_cast<std::size_t>(slot_)].state.store(kFree);
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
