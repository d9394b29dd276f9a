// SPDX-License-Identifier: MIT
// A static text that acts as a hyperlink: the hand cursor over it, and a click reported
// to its owner, who opens the address.
#pragma once

#include <QLabel>
#include <functional>

namespace nelvo {

class NelvoCustomLink : public QLabel {
  public:
    explicit NelvoCustomLink(QWidget* parent = nullptr);

    std::function<void()> onClick;

  protected:
    // Taken here, so that a press on the link never reaches the owner's own handling.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace nelvo
