// SPDX-License-Identifier: MIT
// The safe replacement of files on Windows: the temporary file is opened by
// its UTF-16 name, flushed with FlushFileBuffers (through _commit), and put
// in place with ReplaceFileW when the target exists (keeping its attributes and
// security) or MoveFileExW with write-through when it does not.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cwchar>
#include <string>
#include <system_error>
#include <utility>

#include "util/SafeWrite.h"
#include "util/TemporaryFileSlots.h"

namespace nelvo::util {
namespace {

[[noreturn]] void throwErrno(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

[[noreturn]] void throwLastError(const std::string& what) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

std::filesystem::path folderOf(const std::filesystem::path& target) {
    return target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
}

// Windows file names are at most 255 UTF-16 units.
constexpr std::size_t kNameLimit = 255;

TemporaryFileSlots<wchar_t, 32768> gSlots;

}  // namespace

void removeTemporaryFilesNow() noexcept {
    gSlots.removeAll([](const wchar_t* path) { DeleteFileW(path); });
}

SafeWrite::SafeWrite(std::filesystem::path target) : target_(std::move(target)) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path folder = folderOf(target_);
    int error = 0;
    const std::wstring base = target_.filename().wstring();
    for (int attempt = 0; attempt < 100; ++attempt) {
        // A name that no reader of the folder takes for a finished file, the
        // target's name shortened as far as the suffix needs.
        std::wstring suffix(L".");
        suffix += std::to_wstring(GetCurrentProcessId());
        suffix += L'-';
        suffix += std::to_wstring(counter.fetch_add(1));
        suffix += L".tmp";
        const std::size_t room =
            kNameLimit > suffix.size() + 1 ? kNameLimit - suffix.size() - 1 : 0;
        std::wstring name(L".");
        name.append(base, 0, std::min(room, base.size()));
        name += suffix;
        const std::filesystem::path candidate = folder / name;
        fd_ = ::_wopen(candidate.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                       _S_IREAD | _S_IWRITE);
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
    if (fd_ >= 0) ::_close(fd_);
    if (!temporary_.empty()) DeleteFileW(temporary_.c_str());
    forget();
}

void SafeWrite::forget() {
    gSlots.release(slot_);
    slot_ = -1;
}

void SafeWrite::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), 1u << 30));
        const int n = ::_write(fd_, bytes.data(), chunk);
        if (n < 0) throwErrno(errno, "cannot write " + temporary_.string());
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void SafeWrite::commit() {
    // The descriptor reaches the file's data whoever wrote it, by name or here.
    if (::_commit(fd_) != 0) throwErrno(errno, "cannot write " + target_.string());
    if (::_close(std::exchange(fd_, -1)) != 0)
        throwErrno(errno, "cannot write " + target_.string());
    // ReplaceFileW keeps the target's attributes; it needs a target, and a
    // target that vanished meanwhile is simply moved onto.
    const bool replaced = GetFileAttributesW(target_.c_str()) != INVALID_FILE_ATTRIBUTES &&
                          ReplaceFileW(target_.c_str(), temporary_.c_str(), nullptr,
                                       REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
    if (!replaced && MoveFileExW(temporary_.c_str(), target_.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0)
        throwLastError("cannot replace " + target_.string());
    forget();
    temporary_.clear();
}

void writeFileSafely(const std::filesystem::path& target, std::string_view contents) {
    SafeWrite file(target);
    file.write(contents);
    file.commit();
}

}  // namespace nelvo::util
