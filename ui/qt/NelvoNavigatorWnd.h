// SPDX-License-Identifier: MIT
// A small floating tool window, owned by the editing dialog, showing the whole image
// reduced with a red frame around the part the preview shows. A click outside the frame
// reports where (onJump), dragging the frame reports how far (onDrag), both as fractions
// of the window's size; the dialog does the panning and tells it the new frame. The
// window's position is kept in the application profile from one dialog to the next.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

#include "ui/shared/NavigatorGeometry.h"
#include "ui/shared/NavigatorPointer.h"

namespace nelvo {

// The application profile: an INI file in the user's configuration folder.
QString defaultProfilePath();

class NelvoNavigatorWnd : public QWidget {
  public:
    // Reads the stored position from the profile; a missing, damaged or unreadable one
    // leaves savedLeft and savedTop at -1.
    explicit NelvoNavigatorWnd(QString profilePath = defaultProfilePath());
    ~NelvoNavigatorWnd() override;

    // Makes the window, owned by `owner`, with a client area of width x height, at the
    // stored position where there is one (each coordinate on its own, ignoring negative
    // ones), else at (x, y), moved onto a screen where it lies off them all. Throws
    // std::runtime_error "Failed to create navigator window" for a size without area.
    void create(QWidget* owner, int x, int y, int width, int height);

    // The thumbnail: `picture` smoothly scaled to the client size.
    void setImage(const QImage& picture);
    // The frame: each edge of f times the client size, + 0.5, truncated.
    void setViewArea(const ViewFraction& f);
    // Shows the window again after the user closed it, where it was, without taking the
    // keyboard focus; its placement is saved again when it next closes.
    void reopen();

    const IntRect& viewRect() const { return view_; }
    const QImage& thumbnail() const { return thumbnail_; }
    int savedLeft() const { return savedLeft_; }
    int savedTop() const { return savedTop_; }

    std::function<void(float, float)> onJump;
    std::function<void(float, float)> onDrag;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void savePlacement();
    void report(const NavigatorRequest& request) const;

    QString profilePath_;
    int width_ = 0, height_ = 0;
    int savedLeft_ = -1, savedTop_ = -1;
    QImage thumbnail_;
    IntRect view_;
    NavigatorPointer pointer_;
    bool saved_ = false;
};

}  // namespace nelvo
