// SPDX-License-Identifier: MIT
// Which samples of a document have been given new values since it was read,
// one bit each, so that a host can count the changed pixels and write the
// others back exactly as the file held them, without a copy of the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace filterhost {

class SampleChanges {
  public:
    // Starts (or restarts) tracking `samples` samples, none changed.
    void track(std::size_t samples);
    bool tracking() const { return samples_ != 0; }
    std::size_t samples() const { return samples_; }

    void mark(std::size_t sample) { bits_[sample >> 6] |= uint64_t{1} << (sample & 63); }
    bool changed(std::size_t sample) const { return (bits_[sample >> 6] >> (sample & 63)) & 1u; }
    // The bits, 64 samples a word, sample i at bit i % 64 of word i / 64.
    const uint64_t* words() const { return bits_.data(); }

    // Copies `count` samples of `sampleBytes` bytes each from `from` to `to`,
    // marking, from sample index `first` on, those that change. Runs of
    // samples that are already equal are neither marked nor written.
    void copy(uint8_t* to, const uint8_t* from, std::size_t first, std::size_t count,
              std::size_t sampleBytes);

    // Pixels of `planes` samples with at least one changed sample.
    uint64_t changedPixels(std::size_t planes) const;

  private:
    std::size_t samples_ = 0;
    std::vector<uint64_t> bits_;
};

}  // namespace filterhost
