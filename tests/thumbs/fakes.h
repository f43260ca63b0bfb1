#pragma once

// A thumbnail list and a browser panel that remember what the builder did with them.

#include "thumbs/thumbtargets.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>

namespace mv::test {

class FakeList : public ThumbList
{
public:
    struct Item {
        QString text;
        qint64 size = 0;
        QString date;
        int rote = 0;
        int slot = 0;
    };
    QList<Item> items;
    QList<QByteArray> headers, pixels;   // by slot
    QStringList calls;                  // every call, in order
    std::function<void(int)> onRefresh; // after RefreshItems(i, i)

    void SetRedraw(bool on) override { calls << QStringLiteral("SetRedraw %1").arg(on); }
    void ItemSetCount(int n) override
    {
        calls << QStringLiteral("ItemSetCount %1").arg(n);
        headers = QList<QByteArray>(n);
        pixels = QList<QByteArray>(n);
    }
    bool ItemAdd(int i, const QString &name, qint64 size, const QString &date, int rote) override
    {
        calls << QStringLiteral("ItemAdd %1").arg(i);
        items.insert(qBound(0, i, int(items.size())), Item{name, size, date, rote, i});
        return true;
    }
    void ItemEnsureVisible(int i) override { calls << QStringLiteral("ItemEnsureVisible %1").arg(i); }
    void ThumbnailInfo_SetTBIH(int i, const QByteArray &h) override
    {
        calls << QStringLiteral("SetTBIH %1").arg(i);
        if (i >= 0 && i < headers.size())
            headers[i] = h;
    }
    void ThumbnailInfo_SetData(int i, const QByteArray &d) override
    {
        calls << QStringLiteral("SetData %1").arg(i);
        if (i >= 0 && i < pixels.size())
            pixels[i] = d;
    }
    void RefreshItems(int first, int last) override
    {
        calls << QStringLiteral("RefreshItems %1 %2").arg(first).arg(last);
        if (onRefresh && first == last)
            onRefresh(first);
    }
    int count() const override { return int(items.size()); }
    int ItemSlot(int i) const override { return i >= 0 && i < items.size() ? items.at(i).slot : -1; }

    void Clear()
    {
        calls << QStringLiteral("Clear");
        items.clear();
        headers.clear();
        pixels.clear();
    }
    int Filled() const
    {
        int n = 0;
        for (const QByteArray &h : headers)
            n += h.isEmpty() ? 0 : 1;
        return n;
    }
};

class FakePanel : public ThumbPanel
{
public:
    QStringList countTexts, progressTexts, calls;
    QList<int> values;
    int max = -1;
    QString tree;
    QStringList results;

    void SetCountText(const QString &t) override { countTexts << t; calls << QStringLiteral("Label2 ") + t; }
    void SetProgressText(const QString &t) override { progressTexts << t; calls << QStringLiteral("Label3 ") + t; }
    void SetProgressMax(int m) override { max = m; calls << QStringLiteral("Max %1").arg(m); }
    void SetProgressValue(int v) override { values << v; calls << QStringLiteral("Value %1").arg(v); }
    void LayOutInfoStrip() override { calls << QStringLiteral("LayOut"); }
    void HidePanels() override { calls << QStringLiteral("HidePanels"); }
    QString TreePath() const override { return tree; }
    QStringList ResultList() const override { return results; }
};

} // namespace mv::test
