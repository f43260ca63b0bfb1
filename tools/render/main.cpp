// mirovale-render FILE OUT.png [--frame N] [--fit WxH]
// Loads FILE through the codec layer and writes one frame as PNG: at full size, or with
// --fit at the size the canvas renders it into a W x H box (best fit, never enlarged).
// Prints "WIDTHxHEIGHT frames=N delays=d1,d2,..." (delays in milliseconds) and exits 0;
// exits 1 when the file does not load or the PNG cannot be written, 2 on bad arguments.

#include "imaging/cdib.h"
#include "imaging/gdiplus.h"

#include <QGuiApplication>
#include <QImageWriter>
#include <QStringList>

#include <cstdio>

using namespace mv;

namespace {

int Usage(const char *why)
{
    std::fprintf(stderr, "mirovale-render: %s\nusage: mirovale-render FILE OUT.png [--frame N] [--fit WxH]\n", why);
    return 2;
}

int Fail(const QString &why)
{
    std::fprintf(stderr, "mirovale-render: %s\n", qPrintable(why));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    // A command-line tool: no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QStringList args = QCoreApplication::arguments().mid(1);
    QString input, output;
    int frame = 0;
    QSize fit;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--frame") || arg == QLatin1String("--fit")) {
            if (i + 1 >= args.size())
                return Usage("missing value");
            const QString value = args.at(++i);
            bool ok = false;
            if (arg == QLatin1String("--frame")) {
                frame = value.toInt(&ok);
                if (!ok || frame < 0)
                    return Usage("--frame takes a frame number from 0");
            } else {
                const QStringList parts = value.split(QLatin1Char('x'));
                bool okH = false;
                if (parts.size() == 2)
                    fit = QSize(parts.at(0).toInt(&ok), parts.at(1).toInt(&okH));
                if (!ok || !okH || fit.width() <= 0 || fit.height() <= 0)
                    return Usage("--fit takes WxH");
            }
        } else if (input.isEmpty()) {
            input = arg;
        } else if (output.isEmpty()) {
            output = arg;
        } else {
            return Usage("too many arguments");
        }
    }
    if (input.isEmpty() || output.isEmpty())
        return Usage("FILE and OUT.png are needed");

    quint32 token = 0;
    if (GdiplusStartup(token) != GdiplusOk)
        return Fail(QStringLiteral("the image decoders are missing"));

    int code = 0;
    {
        GpImage image = GpImage::LoadFromFile(input);
        if (!image.IsLoaded()) {
            code = Fail(QStringLiteral("%1 does not load: %2").arg(input, image.ErrorString()));
        } else if (frame >= image.FrameCount()) {
            code = Fail(QStringLiteral("frame %1 does not exist (frames=%2)").arg(frame).arg(image.FrameCount()));
        } else {
            QSize size = image.Size();
            if (fit.isValid())
                size = BestFitRect(size, fit).size();
            image.SelectActiveFrame(frame);
            QImage pixels;
            const GpStatus status = image.DecodeFrame(size, pixels);
            if (status != GpStatus::Ok) {
                code = Fail(QStringLiteral("%1 does not decode: %2").arg(input, image.ErrorString()));
            } else if (!QImageWriter(output, "png").write(pixels)) {
                code = Fail(QStringLiteral("cannot write %1").arg(output));
            } else {
                QStringList delays;
                for (const int ms : ReadFrameDelays(image).milliseconds)
                    delays << QString::number(ms);
                std::printf("%dx%d frames=%d delays=%s\n", image.Width(), image.Height(), image.FrameCount(),
                            qPrintable(delays.join(QLatin1Char(','))));
            }
        }
    }
    GdiplusShutdown(token);
    return code;
}
