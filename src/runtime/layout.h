// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QRect>

// Window layouts are designed in twips: 15 twips to a logical pixel.
namespace Twips
{
int ToPixels(double twips);
double FromPixels(int pixels);
QRect Rect(int left, int top, int width, int height);
} // namespace Twips

// "MS Sans Serif" first, then metric-compatible sans serif fallbacks.
QFont SansSerifFont(double pointSize, bool bold);
// A family list first, e.g. {"Palatino Linotype", "P052", "TeX Gyre Pagella"}; falls back
// to a serif or monospace style hint as given.
QFont FontWithFallbacks(const QStringList& families, double pointSize, bool bold,
                        QFont::StyleHint hint);

// Names a control after its design name and puts it at its designed place.
template <class W> W* Place(W* widget, const char* name, const QRect& twipsRect)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(twipsRect);
    return widget;
}

class QPlainTextEdit;
class QWidget;
// A multi-line text box with a vertical scroll bar, in which Tab moves on to the next control.
QPlainTextEdit* MultiLineTextBox(QWidget* parent, const char* name, const QRect& twipsRect);
