#include "imaging/gdiplus.h"

#include <QImageReader>

namespace mv {

namespace {

quint32 gRunningToken = 0;
quint32 gLastToken = 0;

} // namespace

QByteArrayList RequiredImageFormats()
{
    return {"bmp", "gif", "jpeg", "png", "ico"};
}

int GdiplusStartup(quint32 &token, const QByteArrayList &available)
{
    token = 0;
    for (const QByteArray &format : RequiredImageFormats()) {
        if (!available.contains(format))
            return GdiplusGenericError;
    }
    if (gRunningToken == 0)
        gRunningToken = ++gLastToken;
    token = gRunningToken;
    return GdiplusOk;
}

int GdiplusStartup(quint32 &token)
{
    return GdiplusStartup(token, QImageReader::supportedImageFormats());
}

void GdiplusShutdown(quint32 token)
{
    if (token != 0 && token == gRunningToken)
        gRunningToken = 0;
}

bool GdiplusRunning()
{
    return gRunningToken != 0;
}

} // namespace mv
