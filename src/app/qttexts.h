#pragma once

class QCoreApplication;

namespace mv {

// Qt's own texts (the standard dialogs' labels and buttons, the context menus of text
// boxes) in Chinese like the rest of the program: Qt's qtbase_zh_CN translation from Qt's
// translations folder, installed on the application. False when it is not there; those
// texts then stay English.
bool LoadQtTranslations(QCoreApplication *app);

} // namespace mv
