// SPDX-License-Identifier: MIT
#include "linklabel.h"

#include <QMouseEvent>

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent)
{
    setMouseTracking(true);
}

QColor LinkLabel::ForeColor() const
{
    return palette().color(QPalette::WindowText);
}

void LinkLabel::SetForeColor(const QColor& color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
    emit ForeColorSet(color);
}

// Accepting the press keeps the release here, so a click is a press and release on the label.
void LinkLabel::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Clicked();
}

void LinkLabel::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    emit MouseMoved();
}
