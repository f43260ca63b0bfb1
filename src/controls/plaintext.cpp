#include "controls/plaintext.h"

#include <QLabel>
#include <QTextDocument>
#include <QWidget>

namespace mv {

void SetPlainText(QLabel *label, const QString &text)
{
    if (!label)
        return;
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
}

QString PlainToolTip(const QString &text)
{
    // A tool tip is plain unless it looks like HTML; one that does is given as HTML that
    // says the same text, with its spaces and line breaks kept.
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style=\"white-space:pre\">") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

void SetPlainToolTip(QWidget *widget, const QString &text)
{
    if (widget)
        widget->setToolTip(PlainToolTip(text));
}

QString PlainWindowTitle(const QString &text)
{
    // "[*]" marks where a modified window shows its "*"; doubled it stands for itself.
    QString title = text;
    return title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

void SetPlainWindowTitle(QWidget *window, const QString &text)
{
    if (window)
        window->setWindowTitle(PlainWindowTitle(text));
}

QString PlainActionText(const QString &text)
{
    QString plain = text;
    return plain.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace mv
