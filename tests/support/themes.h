// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QWidget>

// A dark desktop theme as a test sets it with QApplication::setPalette: light text on dark
// faces, which no colour a window sets for itself may combine with.
inline QPalette DarkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 45));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Button, QColor(60, 60, 60));
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    return dark;
}

// How many pixels of the widget, `margin` pixels in from its edges, are dark, as a black
// caption on a light or red face is.
inline int DarkPixels(QWidget* widget, int margin = 3)
{
    const QImage image = widget->grab().toImage();
    int dark = 0;
    for (int y = margin; y < image.height() - margin; ++y)
        for (int x = margin; x < image.width() - margin; ++x)
            if (QColor(image.pixel(x, y)).lightness() < 60)
                ++dark;
    return dark;
}
