// A second process for tst_inifile: waits for a line on standard input, so that the test
// can start several of it at the same moment, then writes count keys
// "<prefix><i>" = "v<i>" to section Shared of the file, one write each.
// Exit code 0 when every write succeeded; otherwise the first error on standard error.

#include "app/inifile.h"

#include <QCoreApplication>

#include <iostream>
#include <string>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::cerr << "usage: iniwriter FILE PREFIX COUNT\n";
        return 2;
    }
    const QString file = args.at(1);
    const QString prefix = args.at(2);
    const int count = args.at(3).toInt();

    std::cout << "ready" << std::endl;
    std::string go;
    std::getline(std::cin, go);
    for (int i = 0; i < count; ++i) {
        const mv::IniWriteResult written =
            mv::WriteProfileString(file, QStringLiteral("Shared"), prefix + QString::number(i),
                                   QStringLiteral("v%1").arg(i));
        if (!written) {
            std::cerr << written.error.toStdString() << '\n';
            return 1;
        }
    }
    return 0;
}
