#include "updater/download.h"

#include "app/messagebox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QNetworkInterface>
#include <QTimer>

#include <climits>
#include <cmath>

namespace mv {

namespace {

// Numbers become whole numbers as the rate and time texts expect: halves go to the even
// neighbour.
double roundHalfEven(double value)
{
    return std::nearbyint(value);
}

QString wholeNumber(double value)
{
    return QString::number(value + 0.0, 'f', 0); // + 0.0: never "-0"
}

double steadySeconds()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return double(clock.nsecsElapsed()) / 1e9;
}

DownLoad::InputBox &inputBoxSlot()
{
    static DownLoad::InputBox handler;
    return handler;
}

// A Content-Length as the controller takes it: a whole number that fits 32 bits.
std::optional<int> contentLength(const std::optional<QString> &value)
{
    if (!value || value->isEmpty())
        return std::nullopt;
    for (const QChar c : *value) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const qlonglong length = value->toLongLong(&ok);
    if (!ok || length > INT_MAX)
        return std::nullopt;
    return int(length);
}

// The first byte of a partial reply ("bytes 3000-4999/5000"), or -1.
qint64 rangeStart(const std::optional<QString> &contentRange)
{
    if (!contentRange)
        return -1;
    QString text = contentRange->trimmed();
    if (!text.startsWith(QLatin1String("bytes "), Qt::CaseInsensitive))
        return -1;
    text = text.mid(6).trimmed();
    bool ok = false;
    const qint64 start = text.section(QLatin1Char('-'), 0, 0).trimmed().toLongLong(&ok);
    return ok ? start : -1;
}

// Lets pending events run for about ms, sleeping while there are none.
void letEventsRun(int ms)
{
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(ms);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

QString RateText(double rate)
{
    if (rate >= 0 && rate <= 1023)
        return wholeNumber(roundHalfEven(rate)) + QStringLiteral(" Bytes/S");
    if (rate >= 1024 && rate <= 1048575) {
        QString text = QString::number(roundHalfEven(rate / 1024 * 100) / 100, 'f', 2);
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        return text + QStringLiteral(" KB/S");
    }
    return QString();
}

QString TimeText(float seconds)
{
    const double t = seconds;
    if (!std::isfinite(t))
        return QString();
    if (t >= 0 && t <= 59)
        return wholeNumber(std::round(t)) + QStringLiteral(" sec"); // halves away from zero
    // Remainders take the sign of the dividend, as fmod's do.
    if (t >= 60 && t <= 3599)
        return wholeNumber(std::floor(t / 60)) + QStringLiteral(" min ")
               + wholeNumber(std::fmod(roundHalfEven(t), 60)) + QStringLiteral(" sec");
    return wholeNumber(std::floor(t / 3600)) + QStringLiteral(" hr ")
           + wholeNumber(std::fmod(roundHalfEven(t / 60), 60)) + QStringLiteral(" min");
}

QString KeepTypePath(const QString &url, const QString &saveLocation)
{
    if (url.size() < 6 || saveLocation.size() < 6)
        return QString();
    const qsizetype urlDot = url.indexOf(QLatin1Char('.'), url.size() - 6);
    // A URL without an extension among its last characters gives the file nothing to keep.
    if (urlDot < 0)
        return saveLocation;
    const QString extension = url.mid(urlDot + 1);
    const qsizetype pathDot = saveLocation.indexOf(QLatin1Char('.'), saveLocation.size() - 6);
    if (pathDot < 0)
        return saveLocation + QLatin1Char('.') + extension;
    return saveLocation.left(pathDot + 1) + extension;
}

DownLoad::DownLoad(QObject *parent)
    : QObject(parent)
    , mSaveLocation(QStringLiteral("/tmp/File1.tmp"))
{
}

DownLoad::~DownLoad() = default;

DownLoad::InputBox DownLoad::SetInputBoxHandler(InputBox handler)
{
    InputBox previous = std::move(inputBoxSlot());
    inputBoxSlot() = std::move(handler);
    return previous;
}

quint32 DownLoad::SystemConnectionFlags()
{
    quint32 flags = 0;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const auto state = interface.flags();
        if (!state.testFlag(QNetworkInterface::IsUp) || !state.testFlag(QNetworkInterface::IsRunning)
            || state.testFlag(QNetworkInterface::IsLoopBack) || interface.addressEntries().isEmpty())
            continue;
        flags |= interface.type() == QNetworkInterface::Ppp ? 1u : 2u;
    }
    for (const char *name : {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            flags |= 4u;
    }
    return flags;
}

bool DownLoad::connectionCheck()
{
    const quint32 flags = mProbe ? mProbe() : SystemConnectionFlags();
    if (flags & 1u)
        emit ConnectionState(QStringLiteral("Connected Via Modem."));
    if (flags & 2u)
        emit ConnectionState(QStringLiteral("Connected Via LAN."));
    if (flags & 4u)
        emit ConnectionState(QStringLiteral("Connected Through A Proxy."));
    if (flags != 0) {
        mConnected = true;
        return true;
    }
    MsgBox(QStringLiteral("You are not currently connected to the internet!\r\nThe download will be aborted!"),
           QCoreApplication::applicationName(), MsgIcon::None, MsgButtons::Ok);
    mConnected = false;
    emit DLECode(5);
    emit DLError(QStringLiteral("No Connection Found!"));
    emit StatusChange(QStringLiteral("Download aborted, no connection present!"));
    return false;
}

bool DownLoad::refuseWithoutConnection()
{
    if (!mOnlineCheck || mConnected)
        return false;
    emit DLECode(5);
    emit DLError(QStringLiteral("No Connection Found!"));
    emit StatusChange(QStringLiteral("Download aborted, no connection present!"));
    I1.Cancel();
    return true;
}

bool DownLoad::waitForHeaders()
{
    // A cancel ends the wait at once rather than when the server finally answers.
    while (I1.StillExecuting()) {
        if (mCancel)
            return false;
        I1.Wait(10);
    }
    return !mCancel;
}

void DownLoad::GetFileInformation()
{
    mCancel = false;
    if (mOnlineCheck && !connectionCheck())
        return;

    const auto headerFailure = [this] {
        emit DLError(QStringLiteral("Error Reading File Headers."));
        emit StatusChange(QStringLiteral("Error Reading File Headers!"));
        emit DLECode(3);
    };
    const auto cancelled = [this] {
        I1.Cancel();
        mCancel = false;
        emit DLECode(4);
        emit StatusChange(QStringLiteral("cancelled."));
    };

    if (!I1.Execute(mUrl)) {
        headerFailure();
        return;
    }
    emit StatusChange(QStringLiteral("Initiating Connection."));
    if (!waitForHeaders()) {
        cancelled();
        return;
    }
    emit StatusChange(QStringLiteral("Connection Accepted, Retrieving File Information."));
    if (mCancel) {
        cancelled();
        return;
    }

    const QString headers = I1.GetHeader();
    const QString status = headers.mid(9, 3);
    if (status == QLatin1String("401")) {
        emit StatusChange(QStringLiteral("Unauthorized Access, Download Terminated!"));
        emit DLECode(401);
        emit DLError(QStringLiteral("Unauthorized Access!"));
        mResumeSupported = false;
        I1.Cancel();
        mFileExists = true;
        mFileSize = 0;
        return;
    }
    if (status == QLatin1String("403")) {
        emit StatusChange(QStringLiteral("Access Denied, Download Terminated!"));
        emit DLECode(403);
        emit DLError(QStringLiteral("Access Denied!"));
        mResumeSupported = false;
        mFileExists = true;
        mFileSize = 0;
        I1.Cancel();
        return;
    }
    if (status == QLatin1String("404")) {
        emit DLError(QStringLiteral("File Not Found!"));
        emit StatusChange(QStringLiteral("File Not Found!"));
        emit DLECode(2);
        mFileExists = false;
        mFileSize = 0;
        I1.Cancel();
        return;
    }

    if (mCancel) {
        cancelled();
        return;
    }
    if (headers.isEmpty()) { // no reply at all: the request failed
        headerFailure();
        return;
    }
    if (headers.mid(5, 3) == QLatin1String("1.1"))
        mResumeSupported = true;
    mFileExists = true;
    mStartTime = (mClock ? mClock() : steadySeconds()) - 1;
    const std::optional<int> size = contentLength(I1.GetHeader(QStringLiteral("Content-Length")));
    if (!size) {
        headerFailure();
        return;
    }
    mFileSize = *size;
    emit StatusChange(QStringLiteral("Retrieving File Information Complete!"));
}

std::optional<QString> DownLoad::targetPath()
{
    QString path = mSaveLocation;
    if (mKeepType) {
        path = KeepTypePath(mUrl, mSaveLocation);
        if (path.isEmpty())
            return QString();
    }
    for (;;) {
        if (!QFileInfo(path).isFile())
            return path;
        if (!mPromptOverwrite
            || MsgBox(QStringLiteral("Would you like to overwrite the file at: ") + path + QStringLiteral(" ?"),
                      QStringLiteral("Overwrite?"), MsgIcon::Information, MsgButtons::YesNo)
                   == MsgResult::Yes) {
            if (!QFile::remove(path))
                return QString();
            return path;
        }
        // Another name: a file already there under it is asked about again.
        for (;;) {
            const InputBox &ask = inputBoxSlot();
            const std::optional<QString> answer =
                ask ? ask(QStringLiteral("Please type in a new file path and name.\r\nExample: C:\\File2.txt"),
                          QStringLiteral("New File..."), path)
                    : std::nullopt;
            if (!answer)
                return std::nullopt;
            if (answer->isEmpty()) {
                MsgBox(QStringLiteral("You didn't specify a file!"), QStringLiteral("Error!"), MsgIcon::Exclamation);
                continue;
            }
            if (*answer == path) {
                if (MsgBox(QStringLiteral("You typed in the same file! Would you like type in a different file?"),
                           QStringLiteral("Try Again?"), MsgIcon::Critical, MsgButtons::YesNo)
                    == MsgResult::Yes)
                    continue;
                return path; // written afresh: nothing of the old file stays behind it
            }
            path = *answer;
            break;
        }
    }
}

void DownLoad::failTransfer()
{
    emit DLError(QStringLiteral("Error Downloading File from : ") + mUrl);
    emit StatusChange(QStringLiteral("Download Aborted Due To Error In Download!"));
    emit DLECode(1);
    mInDL = false;
    I1.Cancel();
}

void DownLoad::DownLoadFile()
{
    if (mCancel)
        return;
    if (refuseWithoutConnection())
        return;
    const std::optional<QString> path = targetPath();
    if (!path) { // the user cancelled the question for a new name
        emit DLECode(4);
        emit StatusChange(QStringLiteral("Cancelled."));
        return;
    }
    if (path->isEmpty()) {
        failTransfer();
        return;
    }
    transfer(*path, 0, false);
}

void DownLoad::DLResume()
{
    if (mCancel)
        return;
    if (refuseWithoutConnection())
        return;
    const QString path = mSaveLocation;
    if (!QFileInfo(path).isFile()) {
        emit DLError(QStringLiteral("Resume File Not Found!"));
        emit DLECode(6);
        emit StatusChange(QStringLiteral("Resume File Not Found, Aborting Download!"));
        return;
    }
    if (!mResumeSupported) {
        emit DLError(QStringLiteral("Resume Not Supported!"));
        emit DLECode(7);
        emit StatusChange(QStringLiteral("Resume NotSupported, Aborting Download!"));
        return;
    }
    qint64 present = QFileInfo(path).size();
    if (!I1.Execute(mUrl, {QByteArray("Range: bytes=") + QByteArray::number(present) + '-'})) {
        failTransfer();
        return;
    }
    waitForHeaders();
    bool append = true;
    if (!mCancel) { // a cancel is acted on in the transfer loop
        const QString headers = I1.GetHeader();
        const QString status = headers.mid(9, 3);
        if (status == QLatin1String("206")) {
            // Only the part that starts where the file ends may go behind it.
            if (rangeStart(I1.GetHeader(QStringLiteral("Content-Range"))) != present) {
                failTransfer();
                return;
            }
        } else if (status == QLatin1String("200")) {
            // The whole file came instead of its rest: it is written again from its start.
            append = false;
            present = 0;
            if (const std::optional<int> size = contentLength(I1.GetHeader(QStringLiteral("Content-Length"))))
                mFileSize = *size;
        } else {
            failTransfer();
            return;
        }
    }
    transfer(path, present, append);
}

DownLoad::Ending DownLoad::transfer(const QString &path, qint64 present, bool append)
{
    QFile file(path);
    if (mChunk < 1 || !file.open(QIODevice::WriteOnly | (append ? QIODevice::Append : QIODevice::Truncate))) {
        failTransfer();
        return Ending::Failed;
    }
    emit StatusChange(QStringLiteral("Opening ") + path + QStringLiteral(" For DATA Input."));
    mInDL = true;
    qint64 received = 0;
    QByteArray chunk;
    for (;;) {
        if (mCancel) {
            mCancel = false;
            file.close();
            mInDL = false;
            I1.Cancel(); // the partly written file stays; the connection does not
            emit DLECode(4);
            emit StatusChange(QStringLiteral("Cancelled."));
            return Ending::Cancelled;
        }
        const InetTransfer::Chunk got = I1.GetChunk(mChunk, chunk, [this] { return mCancel; });
        if (got == InetTransfer::Chunk::Interrupted)
            continue;
        if (got == InetTransfer::Chunk::Failed || file.write(chunk) != chunk.size()) {
            file.close();
            failTransfer();
            return Ending::Failed;
        }
        received += chunk.size();
        const qint64 inFile = present + received;

        const double elapsed = (mClock ? mClock() : steadySeconds()) - mStartTime;
        mRate = float(double(received) / elapsed);
        // Nothing received yet, or no time passed: there is no rate to divide by.
        if (received == 0 || !(elapsed > 0) || mRate == 0) {
            file.close();
            failTransfer();
            return Ending::Failed;
        }
        mSecondsLeft = float(double(mFileSize - inFile) / mRate);
        emit Rate(RateText(mRate));
        emit TimeLeft(TimeText(mSecondsLeft));
        emit RecievedBytes(int(qMin<qint64>(inFile, INT_MAX)));
        if (mFileSize == 0) {
            file.close();
            failTransfer();
            return Ending::Failed;
        }
        const double percent = roundHalfEven(double(inFile) * 100 / mFileSize);
        emit Percent(int(qBound<double>(INT_MIN, percent, INT_MAX)));
        emit StatusChange(QStringLiteral("Recieving File, Inputting DATA to File."));
        while (mPause) {
            letEventsRun(10);
            emit StatusChange(QStringLiteral("Paused."));
        }
        if (chunk.isEmpty())
            break;
    }
    if (!file.flush()) {
        file.close();
        failTransfer();
        return Ending::Failed;
    }
    file.close();
    mInDL = false;
    emit DLComplete();
    emit StatusChange(QStringLiteral("Download Successful!"));
    I1.Cancel();
    return Ending::Complete;
}

void DownLoad::Pause(bool blnPause)
{
    mPause = blnPause;
    if (!blnPause)
        emit StatusChange(QStringLiteral("Unpausing"));
}

void DownLoad::Cancel()
{
    mCancel = true;
    emit StatusChange(QStringLiteral("Cancelling.."));
}

} // namespace mv
