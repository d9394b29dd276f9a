// SPDX-License-Identifier: MIT
// The about box: a header picture, the product's names and version in large light-blue
// type, contact lines and a web link, in a window without a caption. Any left click
// outside the link closes it; a click on the link opens the web address and keeps it.
#pragma once

#include <QDialog>
#include <QFont>
#include <array>
#include <functional>

#include "ui/shared/AboutBoxColours.h"

namespace nelvo {

class NelvoCustomLink;

class NelvoAboutDlg : public QDialog {
  public:
    static constexpr QRgb kTitleColour = 0xFF000000u | kAboutTitle;

    explicit NelvoAboutDlg(QWidget* parent = nullptr);
    ~NelvoAboutDlg() override;

    // Opens the link's address; the system's default handler unless replaced.
    std::function<void(const QString&)> openAddress;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    std::array<QFont, 13> fonts_;
    NelvoCustomLink* link_ = nullptr;
};

// Shows the about box modally, making the Qt application first when the host has none.
void showAboutBox();

}  // namespace nelvo
