// SPDX-License-Identifier: MIT
// The start-up picture shown while the editing dialog prepares itself. Qt windows live on
// the GUI thread, so the splash cannot run a message loop of its own thread: the dialog
// shows it before the slow work, the splash paints at once, and the dialog ends it at
// the end of its initialisation. An end that comes before the start is kept, and the
// splash then never appears.
#pragma once

#include <QDialog>
#include <QImage>

namespace nelvo {

class NelvoSplashDlg : public QDialog {
  public:
    static constexpr QRgb kNoticeColour = 0xFF6C6C6C;  // RGB 108, 108, 108

    // Loads the picture and lays the window out. Throws std::runtime_error "Failed to
    // load bitmap".
    explicit NelvoSplashDlg(QWidget* parent = nullptr);
    ~NelvoSplashDlg() override;

    // Shows the splash centred on the screen and paints it before returning, unless end
    // was called already.
    void start();
    // Closes the splash with `result` (the editing dialog passes Rejected); also before
    // start, which then shows nothing.
    void end(int result = QDialog::Rejected);
    bool ended() const { return ended_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage picture_;
    bool ended_ = false;
};

}  // namespace nelvo
