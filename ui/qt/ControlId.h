// SPDX-License-Identifier: MIT
// Every control carries the resource identifier of its template entry, so that dialogs
// and tests find it by that number.
#pragma once

#include <QWidget>

namespace nelvo {

inline constexpr char kControlIdProperty[] = "nelvoControlId";

inline QString controlObjectName(int id) {
    return QStringLiteral("control%1").arg(id);
}
inline void setControlId(QWidget* control, int id) {
    control->setProperty(kControlIdProperty, id);
    control->setObjectName(controlObjectName(id));
}

// A dialog's template identifier. Kept apart from control identifiers, which reuse the
// same numbers (template 1074 and the help icon 1074, template 1038 and a slider 1038).
inline QString templateObjectName(int id) {
    return QStringLiteral("template%1").arg(id);
}
inline void setTemplateId(QWidget* dialog, int id) {
    dialog->setProperty("nelvoTemplateId", id);
    dialog->setObjectName(templateObjectName(id));
}

inline int controlId(const QWidget* control) {
    return control->property(kControlIdProperty).toInt();
}

// The descendant of `root` with the identifier, or null.
template <typename T = QWidget>
T* findControl(const QWidget* root, int id) {
    return root->findChild<T*>(controlObjectName(id));
}

}  // namespace nelvo
