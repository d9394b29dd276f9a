// SPDX-License-Identifier: MIT
// Replacing a file all at once. The new contents go to a fresh file in the
// target's folder (created exclusively, so that no one else's file is ever
// reused), which is flushed to disk and renamed over the target; the folder is
// flushed too, so that after a crash the target holds either its old contents
// or all of the new ones, never an empty or partial file.
#pragma once

#include <filesystem>
#include <string_view>

namespace nelvo::util {

class SafeWrite {
  public:
    // Creates the temporary file beside `target`, mode 0666 less the umask. Its
    // name is hidden and short enough for any target name the folder accepts.
    // Throws std::system_error when no file can be created there.
    explicit SafeWrite(std::filesystem::path target);
    // Removes the temporary file unless it was committed.
    ~SafeWrite();
    SafeWrite(const SafeWrite&) = delete;
    SafeWrite& operator=(const SafeWrite&) = delete;

    // Where to write: writers that open files by name open this one.
    const std::filesystem::path& temporaryPath() const { return temporary_; }
    const std::filesystem::path& target() const { return target_; }

    // Appends to the temporary file. Throws std::system_error.
    void write(std::string_view bytes);

    // Flushes the temporary file to disk, renames it to the target and flushes
    // the folder. Throws std::system_error; the target is then untouched.
    void commit();

  private:
    void forget();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int fd_ = -1;
    int slot_ = -1;  // where a signal handler finds the temporary file
};

// The whole of `contents` as the new `target`. Throws std::system_error.
void writeFileSafely(const std::filesystem::path& target, std::string_view contents);

// Removes every temporary file of a SafeWrite that is still open. Safe to call
// from a signal handler (it only unlinks), for a program that then ends at
// once without unwinding.
void removeTemporaryFilesNow() noexcept;

}  // namespace nelvo::util
