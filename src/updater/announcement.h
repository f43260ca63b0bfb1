#pragma once

#include <QString>

namespace mv {

// What both programs know of the update server and of the files they leave each other in
// the program folder.

// The folder on the update server. MIROVALE_UPDATE_URL, when set, takes its place.
inline constexpr const char *UpdateServerUrl = "https://update.mirovale.example/";
inline constexpr const char *AnnouncementFile = "Update.txt";
inline constexpr const char *ReplyMarker = "GetOK|";

inline constexpr const char *UpdaterFileName = "Update";
inline constexpr const char *SetupFileName = "UpdateSetup";

// The base URL in use, ending in "/".
QString UpdateBaseUrl();
// The base URL followed by the announcement file.
QString AnnouncementUrl();

// True when the reply announces anything at all: it holds the marker, case and all.
bool HasReplyMarker(const QString &reply);

// A version as the browser reads it: a decimal number ("." the decimal point, an optional
// sign and exponent, blanks around it); 1.10 is the number 1.1. Empty when it is not one.
struct VersionValue {
    bool ok = false;
    double value = 0;
};
VersionValue VersionNumber(const QString &text);

// A version as the updater reads the announced one: the decimal number at the start of the
// text, after leading blanks; the rest is ignored and text without a number is 0.
double LeadingNumber(const QString &text);

} // namespace mv
