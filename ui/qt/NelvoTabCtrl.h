// SPDX-License-Identifier: MIT
// A vertical strip of square picture tabs down the left side of a grey panel; the
// selected tab is drawn in the panel's grey so that it joins the panel. A click on
// another tab selects it and calls onSelChange.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <vector>

namespace nelvo {

class NelvoTabCtrl : public QWidget {
  public:
    static constexpr QRgb kPanelGrey = 0xFFB8B8B8;  // RGB 184, 184, 184

    explicit NelvoTabCtrl(QWidget* parent = nullptr);

    // Appends a tab showing bitmap `id` at the tab bitmap size, white transparent.
    // Throws std::runtime_error "Failed to load bitmap".
    void addTab(int bitmapId);
    int tabCount() const { return static_cast<int>(tabs_.size()); }

    int selected = 0;
    std::function<void()> onSelChange;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    std::vector<QImage> tabs_;
};

}  // namespace nelvo
