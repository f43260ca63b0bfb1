#pragma once

#include "updater/inettransfer.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace mv {

// Transfer rate (bytes per second) as the progress texts show it: "1022 Bytes/S",
// "1.5 KB/S"; empty outside 0..1023 and 1024..1048575.
QString RateText(double rate);
// Seconds left as the progress texts show it: "45 sec", "2 min 5 sec", "1 hr 2 min".
QString TimeText(float seconds);

// Name of the saved file when it takes the URL's extension: the extension after the first
// "." among the URL's last six characters replaces what follows the first "." among the
// path's last six. Empty when either is shorter than six characters.
QString KeepTypePath(const QString &url, const QString &saveLocation);

// The download controller: fetches one file over HTTP into a file on disk and reports its
// progress through signals. It waits for the network by polling and letting pending events
// run, so its signals, Pause and Cancel arrive while one of its operations is still running.
// Every failure is reported through signals only.
//
// The operation that reads the body is DownLoadFile: a method cannot share its class's
// name DownLoad. A holder must not delete the controller from one of
// its signals; hiding or closing its window is fine.
class DownLoad : public QObject
{
    Q_OBJECT
public:
    explicit DownLoad(QObject *parent = nullptr);
    ~DownLoad() override;

    // Design-time properties.
    QString Url() const { return mUrl; }
    void setUrl(const QString &url) { mUrl = url; }
    int CHUNK() const { return mChunk; }
    void setCHUNK(int bytes) { mChunk = bytes; }
    QString SaveLocation() const { return mSaveLocation; }
    void setSaveLocation(const QString &path) { mSaveLocation = path; }
    bool KeepType() const { return mKeepType; }
    void setKeepType(bool on) { mKeepType = on; }
    bool OnlineCheck() const { return mOnlineCheck; }
    void setOnlineCheck(bool on) { mOnlineCheck = on; }
    bool PromptOverwrite() const { return mPromptOverwrite; }
    void setPromptOverwrite(bool on) { mPromptOverwrite = on; }

    // Run-time state.
    int FileSize() const { return mFileSize; }
    bool FileExists() const { return mFileExists; }
    bool ResumeSupported() const { return mResumeSupported; }
    bool AResume() const { return mResumeSupported; }
    bool Connected() const { return mConnected; }
    bool InDL() const { return mInDL; }
    bool CPause() const { return mPause; }
    bool CCancel() const { return mCancel; }

    // Sends the request and reads the response headers.
    void GetFileInformation();
    // Reads the body of the request that GetFileInformation started into the file.
    void DownLoadFile();
    // Asks for the rest of the partial file at SaveLocation and appends it.
    void DLResume();
    void Pause(bool blnPause);
    void Cancel();

    // Seams. The connection probe answers with the flags of the connections found
    // (1 modem, 2 LAN, 4 proxy); the clock gives seconds on a steady scale; the input box
    // asks for a text (prompt, title, pre-filled text) and gives nothing when cancelled.
    using ConnectionProbe = std::function<quint32()>;
    using Clock = std::function<double()>;
    using InputBox = std::function<std::optional<QString>(const QString &, const QString &, const QString &)>;
    void SetConnectionProbe(ConnectionProbe probe) { mProbe = std::move(probe); }
    void SetClock(Clock clock) { mClock = std::move(clock); }
    // The program's input box for every controller; without one a question is cancelled.
    static InputBox SetInputBoxHandler(InputBox handler);

    // The connections this machine has: an interface that is up and has an address (a
    // point-to-point one counts as a modem), and a proxy set in the environment.
    static quint32 SystemConnectionFlags();

signals:
    void DLComplete();
    void DLError(const QString &lpErrorDescription);
    void DLECode(int lErrorCode);
    void RecievedBytes(int lnumBYTES);
    void Percent(int lPercent);
    void StatusChange(const QString &lpStatus);
    void Rate(const QString &lpRate);
    void TimeLeft(const QString &lpTime);
    void ConnectionState(const QString &strState);

private:
    bool connectionCheck();
    bool refuseWithoutConnection();
    bool waitForHeaders();
    std::optional<QString> targetPath();
    enum class Ending { Complete, Cancelled, Failed };
    Ending transfer(const QString &path, qint64 present, bool append);
    void failTransfer();

    QString mUrl = QStringLiteral("http://www.example.com/File1.zip");
    int mChunk = 1024;
    QString mSaveLocation;
    bool mKeepType = false;
    bool mOnlineCheck = false;
    bool mPromptOverwrite = false;

    int mFileSize = 0;
    bool mFileExists = false;
    bool mResumeSupported = false;
    bool mConnected = false;
    bool mInDL = false;
    bool mPause = false;
    bool mCancel = false;

    double mStartTime = 0;
    float mRate = 0;
    float mSecondsLeft = 0;

    InetTransfer I1;
    ConnectionProbe mProbe;
    Clock mClock;
};

} // namespace mv
