// SPDX-License-Identifier: MIT
#include "layout.h"

#include <QPlainTextEdit>
#include <QStringList>
#include <cmath>

namespace Twips
{

namespace
{
constexpr double PerPixel = 15.0;
}

int ToPixels(double twips)
{
    return static_cast<int>(std::lround(twips / PerPixel));
}

double FromPixels(int pixels)
{
    return pixels * PerPixel;
}

QRect Rect(int left, int top, int width, int height)
{
    return QRect(ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height));
}

} // namespace Twips

QFont SansSerifFont(double pointSize, bool bold)
{
    static const QStringList families = {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans",
                                         "Arial", "DejaVu Sans"};
    return FontWithFallbacks(families, pointSize, bold, QFont::SansSerif);
}

QFont FontWithFallbacks(const QStringList& families, double pointSize, bool bold,
                        QFont::StyleHint hint)
{
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QPlainTextEdit* MultiLineTextBox(QWidget* parent, const char* name, const QRect& twipsRect)
{
    auto* box = Place(new QPlainTextEdit(parent), name, twipsRect);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setTabChangesFocus(true);
    return box;
}
