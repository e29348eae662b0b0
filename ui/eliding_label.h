// A one-line label that never widens the window: a text longer than the room it has is
// shortened with "…" in the middle, and the whole text is in its hint.
#pragma once

#include <QLabel>
#include <QPainter>
#include <QStyle>

class ElidingLabel : public QLabel {
public:
    explicit ElidingLabel(QWidget* parent = nullptr) : QLabel(parent)
    {
        setTextFormat(Qt::PlainText);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const QRect room = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, room.width());
        const QString hint = shown == text() ? QString() : text();
        if (toolTip() != hint)
            setToolTip(hint);
        QPainter painter(this);
        style()->drawItemText(&painter, room, static_cast<int>(alignment()), palette(), isEnabled(), shown,
                              foregroundRole());
    }
};
