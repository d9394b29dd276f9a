// SPDX-License-Identifier: MIT
// Grammar (whitespace between tokens is free):
//   or      := and ('||' and)*
//   and     := compare ('&&' compare)*
//   compare := unary (('==' | '!=' | '<' | '<=' | '>' | '>=') unary)?
//   unary   := '!' unary | 'in' '(' or (',' or)+ ')' | '(' or ')' | name | number
#include "module/EnableExpression.h"

#include <array>
#include <cctype>
#include <stdexcept>
#include <vector>

namespace filterhost {
namespace {

constexpr std::array<std::string_view, 18> kModeNames = {
    "BitmapMode",    "GrayScaleMode", "IndexedColorMode", "RGBMode",     "CMYKMode",
    "HSLMode",       "HSBMode",       "MultichannelMode", "DuotoneMode", "LabMode",
    "Gray16Mode",    "RGB48Mode",     "Lab48Mode",        "CMYK64Mode",  "DeepMultichannelMode",
    "Duotone16Mode", "RGB96Mode",     "Gray32Mode"};

enum class Kind { Constant, ImageMode, ImageDepth, Not, And, Or, In, Compare };

}  // namespace

struct EnableExpression::Node {
    Kind kind = Kind::Constant;
    long value = 0;
    std::string op;
    std::vector<std::unique_ptr<Node>> children;

    long evaluate(const ImageTraits& image) const {
        switch (kind) {
            case Kind::Constant:
                return value;
            case Kind::ImageMode:
                return image.imageMode;
            case Kind::ImageDepth:
                return image.imageDepth;
            case Kind::Not:
                return children[0]->evaluate(image) == 0;
            case Kind::And:
                for (const auto& child : children)
                    if (child->evaluate(image) == 0) return 0;
                return 1;
            case Kind::Or:
                for (const auto& child : children)
                    if (child->evaluate(image) != 0) return 1;
                return 0;
            case Kind::In: {
                const long needle = children[0]->evaluate(image);
                for (std::size_t i = 1; i < children.size(); ++i)
                    if (children[i]->evaluate(image) == needle) return 1;
                return 0;
            }
            case Kind::Compare: {
                const long a = children[0]->evaluate(image);
                const long b = children[1]->evaluate(image);
                if (op == "==") return a == b;
                if (op == "!=") return a != b;
                if (op == "<") return a < b;
                if (op == "<=") return a <= b;
                if (op == ">") return a > b;
                return a >= b;
            }
        }
        return 0;
    }
};

namespace {

using Node = EnableExpression::Node;

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::unique_ptr<Node> parse() {
        auto root = parseOr();
        skipSpace();
        if (at_ != text_.size()) fail("unexpected text");
        return root;
    }

  private:
    [[noreturn]] void fail(const std::string& why) const {
        throw std::runtime_error("enable expression: " + why + " at column " +
                                 std::to_string(at_ + 1));
    }
    void skipSpace() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    bool accept(std::string_view token) {
        skipSpace();
        if (text_.substr(at_, token.size()) != token) return false;
        at_ += token.size();
        return true;
    }
    void expect(std::string_view token) {
        if (!accept(token)) fail("expected '" + std::string(token) + "'");
    }
    static std::unique_ptr<Node> make(Kind kind) {
        auto node = std::make_unique<Node>();
        node->kind = kind;
        return node;
    }

    std::unique_ptr<Node> parseOr() {
        auto left = parseAnd();
        if (skipSpace(), text_.substr(at_, 2) != "||") return left;
        auto node = make(Kind::Or);
        node->children.push_back(std::move(left));
        while (accept("||")) node->children.push_back(parseAnd());
        return node;
    }
    std::unique_ptr<Node> parseAnd() {
        auto left = parseCompare();
        if (skipSpace(), text_.substr(at_, 2) != "&&") return left;
        auto node = make(Kind::And);
        node->children.push_back(std::move(left));
        while (accept("&&")) node->children.push_back(parseCompare());
        return node;
    }
    std::unique_ptr<Node> parseCompare() {
        auto left = parseUnary();
        for (std::string_view op : {"==", "!=", "<=", ">=", "<", ">"}) {
            if (accept(op)) {
                auto node = make(Kind::Compare);
                node->op = std::string(op);
                node->children.push_back(std::move(left));
                node->children.push_back(parseUnary());
                return node;
            }
        }
        return left;
    }
    std::unique_ptr<Node> parseUnary() {
        skipSpace();
        if (at_ >= text_.size()) fail("unexpected end");
        if (text_.substr(at_, 2) != "!=" && accept("!")) {
            auto node = make(Kind::Not);
            node->children.push_back(parseUnary());
            return node;
        }
        if (accept("(")) {
            auto inner = parseOr();
            expect(")");
            return inner;
        }
        const char c = text_[at_];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            long value = 0;
            while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
                value = value * 10 + (text_[at_++] - '0');
                if (value > 1'000'000'000) fail("number too large");
            }
            auto node = make(Kind::Constant);
            node->value = value;
            return node;
        }
        if (!std::isalpha(static_cast<unsigned char>(c)) && c != '_') fail("unexpected character");
        const std::size_t start = at_;
        while (at_ < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[at_])) || text_[at_] == '_'))
            ++at_;
        const std::string_view name = text_.substr(start, at_ - start);
        if (name == "in") {
            auto node = make(Kind::In);
            expect("(");
            node->children.push_back(parseOr());
            expect(",");
            do node->children.push_back(parseOr());
            while (accept(","));
            expect(")");
            return node;
        }
        if (name == "PSHOP_ImageMode") return make(Kind::ImageMode);
        if (name == "PSHOP_ImageDepth") return make(Kind::ImageDepth);
        auto node = make(Kind::Constant);
        if (name == "true") {
            node->value = 1;
            return node;
        }
        if (name == "false") return node;
        for (std::size_t mode = 0; mode < kModeNames.size(); ++mode) {
            if (kModeNames[mode] == name) {
                node->value = static_cast<long>(mode);
                return node;
            }
        }
        at_ = start;
        fail("unknown name '" + std::string(name) + "'");
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

EnableExpression::EnableExpression(std::string_view text) : root_(Parser(text).parse()) {}
EnableExpression::~EnableExpression() = default;
EnableExpression::EnableExpression(EnableExpression&&) noexcept = default;
EnableExpression& EnableExpression::operator=(EnableExpression&&) noexcept = default;

bool EnableExpression::admits(const ImageTraits& image) const {
    return root_->evaluate(image) != 0;
}

std::string_view modeName(int imageMode) {
    if (imageMode < 0 || static_cast<std::size_t>(imageMode) >= kModeNames.size())
        return "UnknownMode";
    return kModeNames[static_cast<std::size_t>(imageMode)];
}

}  // namespace filterhost
