// mirovale-thumbview FOLDER [OUT.png] [--select N] [--details]: the thumbnail list filled
// from a real folder by the builder, in a window with the labels the builder writes, for
// looking at. With OUT.png the window is saved there once the build has ended.

#include "controls/ucprogress.h"
#include "imaging/gdiplus.h"
#include "app/appstate.h"
#include "app/paths.h"
#include "thumbs/mthumbnail.h"
#include "thumbs/renderahead.h"
#include "thumbs/thumbpanelwidgets.h"
#include "thumbs/ucthumbnailview.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

using namespace mv;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int select = -1;
    bool details = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--select") && i + 1 < args.size()) {
            select = args.at(i + 1).toInt();
            args.remove(i, 2);
            --i;
        } else if (args.at(i) == QLatin1String("--details")) {
            details = true;
            args.removeAt(i--);
        }
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: mirovale-thumbview FOLDER [OUT.png] [--select N] [--details]\n");
        return 2;
    }
    QString folder = args.at(0);
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    const QString out = args.value(1);

    GdiplusStartup(GdiToken);
    QWidget window;
    window.setWindowTitle(QStringLiteral("ucThumbnailView"));
    QFont font = window.font();
    font.setPointSize(9);
    window.setFont(font);
    auto *strip = new QWidget(&window);
    strip->setFixedHeight(40);
    auto *labFolder = new QLabel(FileNameOf(folder.chopped(1)), strip);
    labFolder->move(10, 2);
    labFolder->adjustSize();
    auto *label2 = new QLabel(strip);
    label2->move(10, 20);
    auto *command3 = new QPushButton(QStringLiteral("3"), strip);
    command3->setGeometry(60, 2, 29, 29);
    auto *command7 = new QPushButton(QStringLiteral("7"), strip);
    command7->setGeometry(92, 2, 29, 29);
    auto *view = new ucThumbnailView(&window);
    auto *label3 = new QLabel(&window);
    auto *progress = new ucProgress(&window);
    progress->setFixedHeight(19);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(strip);
    layout->addWidget(view, 1);
    layout->addWidget(label3);
    layout->addWidget(progress);
    window.resize(800, 560);

    view->Initialize(QString::fromLatin1(SupportedTypes), QStringLiteral("|"), details ? 1 : 0, 300, 100, 100, 150);
    view->SetThumbnailSize(170, 127);
    window.show();

    ThumbPanelWidgets panel;
    panel.Label2 = label2;
    panel.Label3 = label3;
    panel.LabFolder = labFolder;
    panel.Progress = progress;
    panel.Command3 = command3;
    panel.Command7 = command7;
    panel.TreePathOf = [folder] { return folder; };

    QTimer::singleShot(100, [&] {
        mThumbnail::BuildFolderThumbs(folder, false, *view, panel);
        if (select >= 0)
            view->setItemSelected(select, true);
        std::printf("%d items, window id 0x%llx\n", view->count(), static_cast<unsigned long long>(window.winId()));
        std::fflush(stdout);
        if (!out.isEmpty()) {
            QTimer::singleShot(200, [&] {
                window.grab().save(out);
                app.quit();
            });
        }
    });
    const int code = app.exec();
    CloseThumbCache();
    WaitForRenderWorkers();
    GdiplusShutdown(GdiToken);
    return code;
}
