// SPDX-License-Identifier: MIT
#include "controls/systray/picturebox.h"

#include <QMouseEvent>
#include <QPainter>

namespace
{
// 96 dots per inch, so point sizes turn into the same pixels on every screen.
constexpr int kDotsPerMeter = 3780;
} // namespace

PictureBox::PictureBox(const QString& name, const QSize& size, QWidget* parent)
    : QWidget(parent), m_image(size, QImage::Format_RGB32)
{
    setObjectName(name);
    resize(size);
    // Callbacks arrive as pointer moves without a button held.
    setMouseTracking(true);
    m_image.setDotsPerMeterX(kDotsPerMeter);
    m_image.setDotsPerMeterY(kDotsPerMeter);
    Cls();
}

void PictureBox::Cls()
{
    m_image.fill(m_backColor);
    m_current = QPoint(0, 0);
}

void PictureBox::PSet(const QPoint& point, const QColor& color)
{
    if (m_image.rect().contains(point))
        m_image.setPixelColor(point, color);
    m_current = point;
}

void PictureBox::Print(const QString& text)
{
    QPainter painter(&m_image);
    painter.setFont(font());
    painter.setPen(m_foreColor);
    painter.drawText(QPointF(m_current) + QPointF(0, painter.fontMetrics().ascent()), text);
}

void PictureBox::PaintPicture(const QImage& source)
{
    QPainter painter(&m_image);
    painter.drawImage(m_image.rect(), source);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    emit MouseMove(pos.x(), pos.y());
}
