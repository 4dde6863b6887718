// SPDX-License-Identifier: MIT
#include "linklabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
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

void LinkLabel::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(event->modifiers() & ~Qt::KeypadModifier)) {
        event->accept();
        emit Clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void LinkLabel::focusInEvent(QFocusEvent* event)
{
    QLabel::focusInEvent(event);
    emit FocusChanged(true);
}

void LinkLabel::focusOutEvent(QFocusEvent* event)
{
    QLabel::focusOutEvent(event);
    emit FocusChanged(false);
}

void LinkLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    // Around the text only: the label's box runs well past its end.
    option.rect = QStyle::alignedRect(layoutDirection(), alignment(), fontMetrics().size(0, text()),
                                      contentsRect())
                      .adjusted(-2, -1, 2, 1)
                      .intersected(rect());
    option.backgroundColor = palette().color(QPalette::Window);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
