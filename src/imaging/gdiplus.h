#pragma once

#include <QByteArrayList>
#include <QtGlobal>

namespace mv {

// Start-up and shutdown of the imaging library, kept as a pair: the start-up hands out a
// non-zero token that the shutdown takes back. Status 0 means success.

inline constexpr int GdiplusOk = 0;
inline constexpr int GdiplusGenericError = 1;

// The decoders the program cannot work without.
QByteArrayList RequiredImageFormats();

// Fails when one of the required decoders is missing from available.
int GdiplusStartup(quint32 &token, const QByteArrayList &available);
int GdiplusStartup(quint32 &token);
void GdiplusShutdown(quint32 token);
bool GdiplusRunning();

} // namespace mv
