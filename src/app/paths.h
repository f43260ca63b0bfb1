#pragma once

#include <QString>

namespace mv {

// "|BMP|...|ICO|": the image types the program opens.
inline constexpr const char *SupportedTypes = "|BMP|DIB|RLE|GIF|JPG|JPEG|JPE|JFIF|PNG|TIF|TIFF|EMF|WMF|ICO|";
// The same types as a file-dialog pattern.
inline constexpr const char *SupportedPattern =
    "*.BMP;*.DIB;*.RLE;*.GIF;*.JPG;*.JPEG;*.JPE;*.JFIF;*.PNG;*.TIF;*.TIFF;*.EMF;*.WMF;*.ICO";
// How the desktop's own folder is shown in the tree and the path box.
inline constexpr const char *DesktopLabel = "|我的桌面/";

QString AppFolder();
// Where Config.ini and Update live: beside the program when it may write there, otherwise
// (an installed, read-only prefix) $XDG_CONFIG_HOME/Mirovale/, created on first use.
QString ConfigFolder();
QString ConfigFolderFor(const QString &appFolder, bool appFolderWritable);
QString WindowsFolder();
QString DesktopFolder();

bool HasFile(const QString &path);
QString FileNameOf(const QString &path);
QString FolderOf(const QString &path);
QString ParentFolderName(const QString &path);
// "." and the text after the last "." of the file name (the text after the last "/");
// empty when the file name holds no ".". Its case is kept.
QString ExtensionOf(const QString &path);
// True when the extension of the name or path is one of SupportedTypes, in any case.
bool IsSupportedImage(const QString &name);

// The desktop label replaced by the real desktop folder; any other path unchanged.
QString ResolveDesktopLabel(const QString &path);
// True when a folder path (with or without its final "/") names an existing folder.
bool FolderPathExists(const QString &folder);

} // namespace mv
