#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>

#include <algorithm>

// Where a button's caption is drawn, as a person sees it: the first and last columns, inside
// the border, holding ink clearly darker than the button's face. {width, -1} when none does.
inline std::pair<int, int> captionInk(QAbstractButton *button)
{
    const QImage drawn = button->grab().toImage();
    const QColor face = drawn.pixelColor(drawn.width() / 2, 3);
    int first = drawn.width();
    int last = -1;
    for (int x = 3; x < drawn.width() - 3; ++x)
        for (int y = 3; y < drawn.height() - 3; ++y)
            if (face.lightness() - drawn.pixelColor(x, y).lightness() > 100) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}

// Whether the caption keeps at least an average letter's width from both borders.
inline bool captionClearOfBorders(QAbstractButton *button)
{
    const auto [first, last] = captionInk(button);
    const int room = button->fontMetrics().averageCharWidth();
    return last >= first && first >= room && button->width() - 1 - last >= room;
}
