// SPDX-License-Identifier: MIT
// The small modal dialog in which the user names a new preset: a prompt, one line for
// the name, Save (enabled while the line is not empty) and Close. A name that cannot be
// a file name is refused with a message, and the dialog stays open with it.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

namespace nelvo {

class NelvoAddPresetDialog : public QDialog {
  public:
    explicit NelvoAddPresetDialog(QWidget* parent = nullptr);

    // The entered name, whole (spaces included), after Accepted.
    const QString& name() const { return name_; }

    void accept() override;

  private:
    QLineEdit* edit_;
    QPushButton* ok_;
    QString name_;
};

}  // namespace nelvo
