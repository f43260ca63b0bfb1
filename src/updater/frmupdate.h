#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;

namespace mv {

class DownLoad;
class ProgBar;

// The Update program's only window. Its load handler does all the work before the window
// is ever shown: it asks the server again, compares the announced version with the one it
// was given, downloads UpdateSetup into the program folder and records UpdateVersion. The
// window is seen only when a download failed part-way.
class FrmUpdate : public QWidget
{
    Q_OBJECT
public:
    enum class State { Checking, Downloading, Shown, Ended };

    // How long the announcement fetch may take: the transfer control's request time-out.
    static constexpr int AnnouncementWaitSeconds = 60;

    // programFolder is where Config.ini and UpdateSetup live: ConfigFolder(), the program's own
    // folder unless it cannot be written there.
    explicit FrmUpdate(const QString &programFolder, QWidget *parent = nullptr);
    explicit FrmUpdate(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    ProgBar *ProgBar1 = nullptr;
    DownLoad *DownLoad1 = nullptr;

    // The load handler; commandLine is the program's arguments joined by blanks. When it
    // returns, State() is Ended (the program ends) or Shown (the window is to be shown).
    void Form_Load(const QString &commandLine);
    void StartPlay();

    State state() const { return mState; }
    QString CurrentVersion() const { return mCurrentVersion; }
    QString NewVersion() const { return mNewVersion; }
    QString SetupUrl() const { return mSetupUrl; }
    int SetupSize() const { return mSetupSize; }

private:
    void unload();

    QString mFolder;
    State mState = State::Checking;
    QString mCurrentVersion;
    QString mNewVersion;
    QString mSetupUrl;
    int mSetupSize = 0;
};

// The current version as a number, the way the user's system writes numbers ("." always
// works); nothing when it is not a number.
std::optional<double> CurrentVersionNumber(const QString &text);

} // namespace mv
