// SPDX-License-Identifier: MIT
#include "scripting/JsonInput.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <unordered_set>
#include <vector>

#include "util/FileAccess.h"
#include "util/FileDescriptor.h"

namespace filterhost {
namespace {

constexpr std::size_t kQuotedPrefix = 40;

using nelvo::FileDescriptor;

std::runtime_error systemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

std::optional<std::string> readSmallFile(const std::filesystem::path& path, std::size_t maxBytes) {
    const FileDescriptor file(nelvo::util::openForReading(path));
    if (file.get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        throw systemError("cannot open the file");
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) throw systemError("cannot read the file");
    if (!S_ISREG(status.st_mode)) throw std::runtime_error("not a regular file");
    if (static_cast<uint64_t>(status.st_size) > maxBytes)
        throw std::runtime_error("larger than " + std::to_string(maxBytes / 1024) + " KiB");
    std::string text;
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw systemError("cannot read the file");
        }
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > maxBytes)  // grew while being read
            throw std::runtime_error("larger than " + std::to_string(maxBytes / 1024) + " KiB");
    }
    return text;
}

namespace {

// Builds the value in one pass: each key is appended where it came (the
// insertion-ordered object's own insertion searches its keys, which makes
// parsing quadratic), with a hash set per open object to refuse repeated keys.
class OrderedBuilder : public nlohmann::json_sax<nlohmann::ordered_json> {
  public:
    using Json = nlohmann::ordered_json;

    Json result;

    bool null() override { return put(Json(nullptr)); }
    bool boolean(bool value) override { return put(Json(value)); }
    bool number_integer(number_integer_t value) override { return put(Json(value)); }
    bool number_unsigned(number_unsigned_t value) override { return put(Json(value)); }
    bool number_float(number_float_t value, const string_t&) override { return put(Json(value)); }
    bool string(string_t& value) override { return put(Json(std::move(value))); }
    bool binary(binary_t&) override { throw std::runtime_error("binary values are not JSON"); }
    bool start_object(std::size_t) override { return open(Json::object()); }
    bool key(string_t& name) override {
        if (!open_.back().keys.insert(name).second)
            throw std::runtime_error("the key \"" + shortText(name) + "\" appears twice");
        open_.back().key = std::move(name);
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(Json::array()); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& e) override {
        // The library's message may quote a whole token that it read.
        std::string message = e.what();
        constexpr std::string_view kLastRead = "; last read: ";
        if (const auto at = message.find(kLastRead); at != std::string::npos)
            message = message.substr(0, at + kLastRead.size()) +
                      shortText(std::string_view(message).substr(at + kLastRead.size()));
        throw std::runtime_error(message);
    }

  private:
    struct Open {
        Json value;
        std::unordered_set<std::string> keys;
        std::string key;
    };

    bool put(Json value) {
        if (open_.empty()) {
            result = std::move(value);
        } else if (open_.back().value.is_array()) {
            open_.back().value.get_ref<Json::array_t&>().push_back(std::move(value));
        } else {
            Open& object = open_.back();
            object.value.get_ref<Json::object_t&>().emplace_back(std::move(object.key),
                                                                 std::move(value));
        }
        return true;
    }
    bool open(Json value) {
        if (open_.size() >= static_cast<std::size_t>(kMaxJsonDepth))
            throw std::runtime_error("nested deeper than " + std::to_string(kMaxJsonDepth) +
                                     " levels");
        open_.push_back({std::move(value), {}, {}});
        return true;
    }
    bool close() {
        Json value = std::move(open_.back().value);
        open_.pop_back();
        return put(std::move(value));
    }

    std::vector<Open> open_;
};

}  // namespace

nlohmann::ordered_json parseJson(std::string_view text) {
    OrderedBuilder builder;
    nlohmann::ordered_json::sax_parse(text, &builder);
    return std::move(builder.result);
}

std::string shortText(std::string_view text) {
    if (text.size() <= 2 * kQuotedPrefix) return std::string(text);
    return std::string(text.substr(0, 2 * kQuotedPrefix)) + "... (" + std::to_string(text.size()) +
           " characters)";
}

std::string shortValue(const nlohmann::ordered_json& value) {
    if (value.is_object()) return "an object";
    if (value.is_array()) return "a list";
    if (value.is_string()) {
        const auto& s = value.get_ref<const std::string&>();
        if (s.size() <= kQuotedPrefix) return nlohmann::ordered_json(s).dump();
        return nlohmann::ordered_json(s.substr(0, kQuotedPrefix)).dump() + "... (" +
               std::to_string(s.size()) + " characters)";
    }
    return value.dump();
}

}  // namespace filterhost
