// SPDX-License-Identifier: MIT
// The enable-info expression language of a module's property list: decides
// whether a filter may run on an image of a given mode and depth.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace filterhost {

struct ImageTraits {
    int imageMode = 0;
    int imageDepth = 8;
};

class EnableExpression {
  public:
    // Parses `text`; throws std::runtime_error naming the problem and its column.
    explicit EnableExpression(std::string_view text);
    ~EnableExpression();
    EnableExpression(EnableExpression&&) noexcept;
    EnableExpression& operator=(EnableExpression&&) noexcept;

    bool admits(const ImageTraits& image) const;

    struct Node;

  private:
    std::unique_ptr<Node> root_;
};

// Name of an image mode as the expression language spells it ("RGBMode").
std::string_view modeName(int imageMode);

}  // namespace filterhost
