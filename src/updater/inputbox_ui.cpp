#include "updater/inputbox_ui.h"

#include "app/messagebox.h"
#include "updater/download.h"

#include <QApplication>
#include <QInputDialog>

namespace mv {

void InstallInputBoxUi()
{
    DownLoad::SetInputBoxHandler(
        [](const QString &prompt, const QString &title, const QString &text) -> std::optional<QString> {
            QInputDialog dialog(QApplication::activeWindow());
            dialog.setWindowTitle(title);
            dialog.setLabelText(prompt);
            dialog.setTextValue(text);
            dialog.setInputMode(QInputDialog::TextInput);
            if (dialog.exec() != QDialog::Accepted)
                return std::nullopt;
            return dialog.textValue();
        });
}

} // namespace mv
