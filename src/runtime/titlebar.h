// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QToolButton;

// The caption bar of a fixed-border window that draws its own: the window's icon and caption,
// a close box, and a press-and-drag that moves the window. Where Qt draws window frames itself
// (Wayland), its frame offers maximise and minimise whatever the window's flags say.
class TitleBar : public QWidget
{
    Q_OBJECT
public:
    explicit TitleBar(QWidget& window);

    QToolButton* CloseBox() const { return m_close; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QWidget& m_window;
    QToolButton* m_close;
};
