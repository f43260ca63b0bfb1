#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace mv {

// Texts that come from outside (file and folder names, paths, Config.ini values, network
// replies) shown exactly as they are. Qt takes a text that looks like HTML for rich text
// (a label or tool tip named `<img src="...">` loads that file), drops "[*]" from window
// titles and takes "&" for a shortcut mark in menus and buttons. The message boxes
// (InstallMessageBoxUi), the path box's breadcrumbs and tool tip, and the copy progress
// already go through these; every new label, tool tip, window title, item tool tip
// (Qt::ToolTipRole) or action text that shows outside text must too.

// Sets the text and makes the label show it as plain text from now on.
void SetPlainText(QLabel *label, const QString &text);

// The text in a form that a tool tip (of a widget or of an item) shows literally.
[[nodiscard]] QString PlainToolTip(const QString &text);
void SetPlainToolTip(QWidget *widget, const QString &text);

// The text in a form that a window title shows literally.
[[nodiscard]] QString PlainWindowTitle(const QString &text);
void SetPlainWindowTitle(QWidget *window, const QString &text);

// The text in a form that a menu item or a button caption shows literally (no shortcut).
[[nodiscard]] QString PlainActionText(const QString &text);

} // namespace mv
