// SPDX-License-Identifier: MIT
// What made each output of a batch, kept in the output folder, so that a later
// batch skips a file only when its output came from the same input content
// with the same module and settings. Dates cannot tell that: other --set
// values, another action, or an input replaced by a different picture with an
// older date would all leave stale results.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace filterhost {

// A digest of bytes (64-bit, not cryptographic: it tells apart files and
// settings that changed, it does not stand against forgery).
class Digest {
  public:
    void add(std::string_view bytes);
    // Adds the file's content; throws HostError when it cannot be read.
    void addFile(const std::filesystem::path& path);
    std::string hex() const;

  private:
    uint64_t state_ = 0xcbf29ce484222325u;
    uint64_t length_ = 0;
};

// The input's content and everything else that decides the output.
struct OutputSource {
    std::string input;
    std::string settings;
    friend bool operator==(const OutputSource&, const OutputSource&) = default;
};

class BatchManifest {
  public:
    static constexpr const char* kFileName = ".filterhost-batch";

    // Reads the manifest of `outputFolder`; a missing or damaged one is empty,
    // and every output then counts as out of date.
    explicit BatchManifest(std::filesystem::path outputFolder);

    // `output` (inside the output folder) exists and was made from `source`.
    bool upToDate(const std::filesystem::path& output, const OutputSource& source) const;

    // Notes that `output` was just written from `source`, and rewrites the
    // manifest through a temporary file. Throws std::system_error.
    void record(const std::filesystem::path& output, const OutputSource& source);

  private:
    std::string keyOf(const std::filesystem::path& output) const;

    std::filesystem::path folder_;
    std::map<std::string, OutputSource> entries_;
};

}  // namespace filterhost
