// SPDX-License-Identifier: MIT
#include "titlebar.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <QWindow>

namespace
{
constexpr int Height = 24;
constexpr int IconSize = 16;
} // namespace

TitleBar::TitleBar(QWidget& window) : QWidget(&window), m_window(window)
{
    setObjectName(QStringLiteral("titleBar"));
    setFixedHeight(Height);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, palette().color(QPalette::Window).darker(115));
    setPalette(pal);

    m_close = new QToolButton(this);
    m_close->setObjectName(QStringLiteral("closeBox"));
    m_close->setAutoRaise(true);
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_close->setToolTip(tr("Close"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 2, 0);
    row->addStretch();
    row->addWidget(m_close);

    connect(m_close, &QToolButton::clicked, &m_window, &QWidget::close);
    connect(&m_window, &QWidget::windowTitleChanged, this, qOverload<>(&QWidget::update));
    connect(&m_window, &QWidget::windowIconChanged, this, qOverload<>(&QWidget::update));
}

void TitleBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int left = (Height - IconSize) / 2;
    m_window.windowIcon().paint(&painter, QRect(left, left, IconSize, IconSize));
    QFont caption = font();
    caption.setBold(true);
    painter.setFont(caption);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect text = rect().adjusted(Height + 2, 0, -m_close->width() - 4, 0);
    painter.drawText(
        text, Qt::AlignVCenter | Qt::AlignLeft,
        QFontMetrics(caption).elidedText(m_window.windowTitle(), Qt::ElideRight, text.width()));
}

// The compositor moves the window; the program cannot place it there.
void TitleBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_window.windowHandle())
        m_window.windowHandle()->startSystemMove();
    event->accept();
}
