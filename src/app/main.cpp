#include "app/messagebox_ui.h"
#include "app/qttexts.h"
#include "app/startup.h"
#include "app/termination.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirovale"));
    mv::LoadQtTranslations(&app);
    mv::InstallMessageBoxUi();
    mv::CloseWindowsOnTermination();
    // QApplication has taken its own options out of argv.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return mv::RunMirovale(arguments);
}
