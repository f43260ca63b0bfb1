#include "app/messagebox_ui.h"
#include "app/qttexts.h"
#include "app/trace.h"
#include "updater/frmupdate.h"
#include "updater/inputbox_ui.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Update"));
    mv::LoadQtTranslations(&app);
    mv::InstallMessageBoxUi();
    mv::InstallInputBoxUi();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    mv::FrmUpdate form;
    form.Form_Load(arguments.join(QLatin1Char(' ')));
    if (form.state() != mv::FrmUpdate::State::Shown) {
        mv::Trace(QStringLiteral("end FrmUpdate"));
        return 0;
    }
    form.show();
    mv::Trace(QStringLiteral("show FrmUpdate"));
    return QApplication::exec();
}
