// SPDX-License-Identifier: MIT
// A push button that shows nothing but a picture, unscaled at its top-left corner: no
// frame, focus mark, pressed or disabled look. Clicks work as for any push button.
#pragma once

#include <QAbstractButton>
#include <QImage>

namespace nelvo {

class NelvoButtonCtrl : public QAbstractButton {
  public:
    explicit NelvoButtonCtrl(QWidget* parent = nullptr);

    // Drops the picture it holds, then loads bitmap `id` at its stored size. Throws
    // std::runtime_error "Failed to load a bitmap from resources", leaving no picture.
    void setBitmap(int id);
    const QImage& bitmap() const { return bitmap_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage bitmap_;
};

}  // namespace nelvo
