#pragma once

#include "base/Twips.h"

#include <QFontMetrics>
#include <QLabel>
#include <QList>
#include <QRect>

// Layout helpers of the options windows, whose controls are placed in twips.
namespace OptionsLayout {

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(tw(left), tw(top), tw(width), tw(height));
}

// The layout was drawn for a narrow 8 pt dialog font; with a wider one the
// labels would be cut. Shrinks the labels' common font until every text
// fits its box, so that labels side by side keep one size.
inline void shrinkToFit(const QList<QLabel*>& labels)
{
    if (labels.isEmpty())
        return;
    QFont font = labels.first()->font();
    const auto fits = [&labels](const QFont& f) {
        const QFontMetrics metrics(f);
        for (const QLabel* label : labels) {
            if (metrics.horizontalAdvance(label->text()) > label->width())
                return false;
        }
        return true;
    };
    while (font.pointSizeF() > 6 && !fits(font))
        font.setPointSizeF(font.pointSizeF() - 0.5);
    for (QLabel* label : labels)
        label->setFont(font);
}

} // namespace OptionsLayout
