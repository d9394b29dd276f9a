// SPDX-License-Identifier: MIT
// Reading JSON with many keys, as a registry or an action may hold them:
// the time to parse an object of N keys and turn it into a descriptor, for
// N from 10,000 to 1,000,000. Linear reading keeps the time per key flat.
#include <chrono>
#include <cstdio>
#include <string>

#include "scripting/DescriptorJson.h"
#include "scripting/JsonInput.h"

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-";

int main() {
    for (const int keys : {10'000, 100'000, 1'000'000}) {
        std::string text = "{";
        for (int i = 0; i < keys; ++i) {
            // Distinct four-character keys.
            std::string key(4, 'a');
            int v = i;
            for (std::size_t d = 0; d < 4; ++d, v /= 64) key[3 - d] = kAlphabet[v % 64];
            if (i > 0) text += ',';
            text += "\"" + key + "\":" + std::to_string(i);
        }
        text += "}";
        const auto start = std::chrono::steady_clock::now();
        const auto root = filterhost::parseJson(text);
        const filterhost::Descriptor descriptor = filterhost::fromJson(root, {});
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%9d keys (%.1f MB): parsed into a descriptor in %.3f s (%.2f us per key)\n",
                    keys, static_cast<double>(text.size()) / 1e6, seconds, seconds * 1e6 / keys);
        if (descriptor.entries().size() != static_cast<std::size_t>(keys)) return 1;
    }
    return 0;
}
