#pragma once

#include "app/messagebox.h"

#include <memory>

class QMessageBox;
class QWidget;

namespace mv {

// Shows the program's messages in modal message boxes with Chinese button captions.
void InstallMessageBoxUi();

// The box that InstallMessageBoxUi shows for a request, not yet shown. Text and title
// appear exactly as given (a file name that looks like HTML stays text).
std::unique_ptr<QMessageBox> BuildMessageBox(const MessageRequest &request, QWidget *parent = nullptr);

} // namespace mv
